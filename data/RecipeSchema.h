#pragma once
// The table design of the recipe database (data/schema.sql): the nine tables with their
// keys and the default value of every column, which rows added by the load routines take.
#include "platform/Dao.h"

#include <QString>
#include <QStringList>

// The statements of the design, in order, without comments.
QStringList RecipeSchemaStatements();

// Creates a new database file holding every table of the design, without rows.
dao::Database CreateRecipeDatabase(const QString& path);
