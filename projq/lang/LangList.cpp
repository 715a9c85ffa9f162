#include "LangList.h"

#include "BuiltInTexts.h"
#include "textfiles/TextFiles.h"

#include <QFile>
#include <QLocale>

namespace {

QString shownText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QStringLiteral("///"), QStringLiteral("\n"));
    return text;
}

} // namespace

void LangList::Part::append(const LangEntry &entry)
{
    const qsizetype i = m_keys.size();
    m_keys.append(entry.key);
    m_chinese.append(entry.chinese);
    m_english.append(entry.english);
    // The first match wins: later duplicates keep their place in the lists only.
    const auto indexFirst = [i](QHash<QString, qsizetype> &index, const QString &text) {
        const QString folded = text.toCaseFolded();
        if (!index.contains(folded))
            index.insert(folded, i);
    };
    indexFirst(m_keyIndex, entry.key);
    indexFirst(m_chineseIndex, entry.chinese);
    indexFirst(m_englishIndex, entry.english);
}

void LangList::Part::clear()
{
    *this = Part();
}

qsizetype LangList::Part::find(const QString &name) const
{
    const QString folded = name.toCaseFolded();
    for (const auto *index : {&m_keyIndex, &m_chineseIndex, &m_englishIndex}) {
        const auto it = index->constFind(folded);
        if (it != index->constEnd())
            return it.value();
    }
    return -1;
}

QString LangList::Part::text(qsizetype i, bool chinese) const
{
    return chinese ? m_chinese.at(i) : m_english.at(i);
}

QList<LangEntry> LangList::Part::entries() const
{
    QList<LangEntry> list;
    list.reserve(m_keys.size());
    for (qsizetype i = 0; i < m_keys.size(); ++i)
        list.append({m_keys.at(i), m_chinese.at(i), m_english.at(i)});
    return list;
}

void LangList::addBuiltIn(const QString &name, const QString &chinese, const QString &english)
{
    m_builtIn.append({name, shownText(chinese), shownText(english)});
}

void LangList::addBuiltInTexts()
{
    for (const BuiltInText &text : builtInTexts()) {
        addBuiltIn(QString::fromUtf8(text.key), QString::fromUtf8(text.chinese),
                   QString::fromUtf8(text.english));
    }
}

QString LangList::lookup(const QString &name) const
{
    for (const Part *part : {&m_file, &m_builtIn}) {
        const qsizetype i = part->find(name);
        if (i >= 0)
            return part->text(i, m_isChinese);
    }
    return name;
}

bool LangList::loadLangFile(const QString &fileName)
{
    if (!QFile::exists(fileName))
        TextFiles::writeAtomically(fileName, defaultLangFile());
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    readLangFile(file);
    return true;
}

void LangList::readLangFile(QIODevice &device)
{
    for (const LangEntry &entry : readLangEntries(device))
        m_file.append(entry);
}

QByteArray LangList::defaultLangFile() const
{
    return formatLangFile(m_builtIn.entries());
}

void LangList::clearFilePart()
{
    m_file.clear();
}

bool LangList::systemIsChinese()
{
    return QLocale::system().language() == QLocale::Chinese;
}

LangList &langList()
{
    static LangList list = [] {
        LangList builtIn;
        builtIn.addBuiltInTexts();
        return builtIn;
    }();
    return list;
}

void initLanguage()
{
    LangList &list = langList();
    list.clearFilePart();
    list.loadLangFile(TextFiles::path(QStringLiteral("Lang.txt")));
}

QString langText(const QString &name)
{
    return langList().lookup(name);
}

bool isChinese()
{
    return langList().isChinese();
}

void setIsChinese(bool chinese)
{
    langList().setIsChinese(chinese);
}

void addCommissioningTexts()
{
    LangList &list = langList();
    for (const BuiltInText &text : commissioningTexts()) {
        const QString key = QString::fromUtf8(text.key);
        if (list.lookup(key) == key)
            list.addBuiltIn(key, QString::fromUtf8(text.chinese), QString::fromUtf8(text.english));
    }
}
