#pragma once
// A run-time error as the original language raised it: a number and a description.
// Layers and routines throw it where the original raised an error; application
// procedures catch it on their error path and hand it to the error handler.
#include <QString>
#include <exception>
#include <string>

struct RuntimeError : std::exception {
    int number = 0;
    QString description;
    int line = 0;

    RuntimeError() = default;
    RuntimeError(int n, QString d, int ln = 0) : number(n), description(std::move(d)), line(ln) {
        what_ = description.toStdString();
    }
    const char* what() const noexcept override { return what_.c_str(); }

    // The standard errors the routines raise.
    static RuntimeError Overflow() { return {6, QStringLiteral("Overflow")}; }
    static RuntimeError SubscriptOutOfRange() { return {9, QStringLiteral("Subscript out of range")}; }
    static RuntimeError TypeMismatch() { return {13, QStringLiteral("Type mismatch")}; }
    static RuntimeError InvalidCall() { return {5, QStringLiteral("Invalid procedure call or argument")}; }
    static RuntimeError DivisionByZero() { return {11, QStringLiteral("Division by zero")}; }
    static RuntimeError FileNotFound() { return {53, QStringLiteral("File not found")}; }
    static RuntimeError PathNotFound() { return {76, QStringLiteral("Path not found")}; }
    static RuntimeError PermissionDenied() { return {70, QStringLiteral("Permission denied")}; }
    static RuntimeError ObjectNotSet() { return {91, QStringLiteral("Object variable or With block variable not set")}; }

private:
    std::string what_;
};
