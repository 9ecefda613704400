#pragma once

#include <QString>
#include <QStringList>

// User-interface texts by numeric string ID: the built-in English table, locale files, and
// the choice of the current translation.

// One table of key=text lines: a locale file, or the built-in English texts.
class TTranslation {
public:
    // Reads LocalesFolder + fileName. An unreadable file gives the built-in English lines and
    // resets the setting `locale`; this never fails for that reason.
    explicit TTranslation(const QString& fileName);

    // The text for a key, with the English fall-back, the translator prefixes and "\n"
    // turned into line breaks.
    QString Lookup(const QString& key) const;
    QString GetText(int id) const;

    QStringList Lines;

private:
    TTranslation() = default;
    friend const TTranslation& DefaultTranslation();
};

// The built-in English texts; exists for the whole run.
const TTranslation& DefaultTranslation();
// Where all texts are taken from.
const TTranslation& CurrentTranslation();

// The installed locales as name=display-name lines, rebuilt by ListLocales.
const QStringList& LocaleList();

// GetText on the current translation: what the rest of the program calls.
QString GetText(int id);

// Makes the named locale file current, or the built-in table for DefaultLocaleName.
void SelectLocale(const QString& name);

// Rebuilds LocaleList from the locale files of LocalesFolder, sorted by display name.
void ListLocales();

// The text of a locale file's bytes: byte-order mark decides the encoding; a NUL ends it.
// Without a mark, the system's 8-bit encoding, and windows-1252 for bytes that are not
// UTF-8 where the system's encoding is UTF-8.
QString DecodeLocaleText(const QByteArray& bytes);
