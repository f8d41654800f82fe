#include "data/RecipeSchema.h"

#include "data/RecipeSchemaSql.h"

QStringList RecipeSchemaStatements() {
    // The script keeps to a simple form: "--" comments on their own lines or after the
    // code, and ";" only at the end of a statement.
    QString code;
    for (const QString& line : QString::fromUtf8(kRecipeSchemaSql).split('\n')) {
        const int comment = line.indexOf(QLatin1String("--"));
        code += (comment < 0 ? line : line.left(comment)) + '\n';
    }
    QStringList statements;
    for (const QString& s : code.split(';')) {
        if (!s.trimmed().isEmpty()) statements << s.trimmed();
    }
    return statements;
}

dao::Database CreateRecipeDatabase(const QString& path) {
    dao::Database db = dao::CreateDatabase(path);
    // The whole design in one write to the disk.
    dao::Transaction design(db);
    for (const QString& statement : RecipeSchemaStatements()) db.Execute(statement);
    design.Commit();
    return db;
}
