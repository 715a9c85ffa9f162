#pragma once

#include "LangFile.h"

#include <QHash>
#include <QString>
#include <QStringList>

class QIODevice;

// The language table: entries read from Lang.txt (the file part) take precedence over the
// built-in ones. A name is looked up by key, then by Chinese text, then by English text, in the
// file part first; comparisons ignore letter case and the first match wins. A name found nowhere
// is its own text.
class LangList
{
public:
    // Line breaks of built-in texts (CR LF or "///") are kept as "\n", the same as in texts read
    // from the file, so a text reads the same from either part and a shown text can be looked up.
    void addBuiltIn(const QString &name, const QString &chinese, const QString &english);
    // Adds the program's 279 built-in entries in table order.
    void addBuiltInTexts();

    QString lookup(const QString &name) const;

    // Writes the default file when none exists at `fileName`, then reads it into the file part.
    // False when no file could be read; the built-in part then answers alone.
    bool loadLangFile(const QString &fileName);
    // Appends the entries of a language file to the file part.
    void readLangFile(QIODevice &device);
    // The default Lang.txt: every built-in entry in table order.
    QByteArray defaultLangFile() const;
    void clearFilePart();

    bool isChinese() const { return m_isChinese; }
    void setIsChinese(bool chinese) { m_isChinese = chinese; }
    // True when the system's language is Chinese: the default of the language setting.
    static bool systemIsChinese();

    QList<LangEntry> builtInEntries() const { return m_builtIn.entries(); }
    QList<LangEntry> fileEntries() const { return m_file.entries(); }

private:
    // Three parallel lists with indexes of the first position of each case-folded string.
    class Part
    {
    public:
        void append(const LangEntry &entry);
        void clear();
        // The position of the first entry whose key, else Chinese text, else English text
        // equals `name` ignoring case; -1 when none does.
        qsizetype find(const QString &name) const;
        QString text(qsizetype i, bool chinese) const;
        QList<LangEntry> entries() const;

    private:
        QStringList m_keys;
        QStringList m_chinese;
        QStringList m_english;
        QHash<QString, qsizetype> m_keyIndex;
        QHash<QString, qsizetype> m_chineseIndex;
        QHash<QString, qsizetype> m_englishIndex;
    };

    Part m_file;
    Part m_builtIn;
    bool m_isChinese = true;
};

// The program's one table. It holds the built-in entries from its first use; initLanguage adds
// Lang.txt.
LangList &langList();
// Adds commissioningTexts() to the program's table, each unless its key is there already.
void addCommissioningTexts();

// Fills the program's table from Lang.txt in the program's file folder, writing that file from
// the built-in entries first when it is missing. Called once at start, before the settings are
// read.
void initLanguage();

// The text of `name` in the current language: the single way the program obtains a shown text.
QString langText(const QString &name);

// The current language of the program's table: true = Chinese, false = English.
bool isChinese();
void setIsChinese(bool chinese);
