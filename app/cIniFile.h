#pragma once
// Reads and writes keys of an INI file (the station's configuration) one at a time. The
// object holds only the file's path and caches nothing, so every read sees the file as
// it stands. Values are read through a buffer that keeps at most 253 characters.
// Each member reports its own errors in a box titled with its name and then returns 0,
// False or an empty text.
#include <QString>
#include <cstdint>

class cIniFile {
public:
    // The longest value a read returns.
    static constexpr int kMaxValueChars = 253;

    // The number at the start of the value, with "." as the decimal point whatever the
    // locale; Default when the key is missing or empty; 0 when the value holds no number.
    float ReadIniSingle(const QString& Section, const QString& KeyName, float Default);
    // The whole number at the start of the value; Default when the key is missing or
    // empty. A number outside -32768..32767 is an overflow (error 6).
    int16_t ReadIniInt(const QString& Section, const QString& KeyName, int16_t Default);
    // True for "TRUE", "YES", "ON" and "1" in any case; the Default text when the key is
    // missing; everything else is False.
    bool ReadIniBool(const QString& Section, const QString& KeyName, const QString& Default);
    // Writes the key (creating the file, section or key); non-zero on success, 0 on
    // failure (no file name set, a read-only file, an unwritable folder).
    int16_t WriteIniStr(const QString& Section, const QString& KeyName, const QString& TextString);
    // The value, or Default when it is empty. With StrElement k not 0, only the k-th
    // comma-separated field of it (from 1, as it stands); the whole Default when the value
    // has fewer than k fields.
    QString ReadIniStr(const QString& Section, const QString& KeyName, const QString& Default,
                       int16_t StrElement = 0);

    // Keeps File when a file of that name exists (program-folder rules), else an empty path.
    void setFileName(const QString& File);
    QString FileName() const { return path_; }

private:
    // The value as the profile service hands it over: Default when the key is missing,
    // cut to the buffer.
    QString readValue(const QString& Section, const QString& KeyName, const QString& Default) const;

    QString path_;
};
