#include "LangList.h"

#include "BuiltInTexts.h"
#include "common/AppFiles.h"

#include <QFile>
#include <QLocale>

namespace {

QString ShownText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QStringLiteral("///"), QStringLiteral("\n"));
    return text;
}

} // namespace

void TLangList::Part::append(const LangEntry &entry)
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

void TLangList::Part::clear()
{
    *this = Part();
}

qsizetype TLangList::Part::find(const QString &name) const
{
    const QString folded = name.toCaseFolded();
    for (const auto *index : {&m_keyIndex, &m_chineseIndex, &m_englishIndex}) {
        const auto it = index->constFind(folded);
        if (it != index->constEnd())
            return it.value();
    }
    return -1;
}

QString TLangList::Part::text(qsizetype i, bool chinese) const
{
    return chinese ? m_chinese.at(i) : m_english.at(i);
}

QList<LangEntry> TLangList::Part::entries() const
{
    QList<LangEntry> list;
    list.reserve(m_keys.size());
    for (qsizetype i = 0; i < m_keys.size(); ++i)
        list.append({m_keys.at(i), m_chinese.at(i), m_english.at(i)});
    return list;
}

void TLangList::AddBuiltIn(const QString &name, const QString &chinese, const QString &english)
{
    m_builtIn.append({name, ShownText(chinese), ShownText(english)});
}

void TLangList::AddBuiltInTexts()
{
    for (const BuiltInText &text : BuiltInTexts()) {
        AddBuiltIn(QString::fromUtf8(text.key), QString::fromUtf8(text.chinese),
                   QString::fromUtf8(text.english));
    }
}

QString TLangList::Lookup(const QString &name) const
{
    for (const Part *part : {&m_file, &m_builtIn}) {
        const qsizetype i = part->find(name);
        if (i >= 0)
            return part->text(i, m_isChinese);
    }
    return name;
}

bool TLangList::LoadLangFile(const QString &fileName)
{
    if (!QFile::exists(fileName))
        WriteFileAtomically(fileName, DefaultLangFile());
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    ReadLangFile(file);
    return true;
}

void TLangList::ReadLangFile(QIODevice &device)
{
    for (const LangEntry &entry : ReadLangEntries(device))
        m_file.append(entry);
}

QByteArray TLangList::DefaultLangFile() const
{
    return FormatLangFile(m_builtIn.entries());
}

void TLangList::ClearFilePart()
{
    m_file.clear();
}

bool TLangList::SystemIsChinese()
{
    return QLocale::system().language() == QLocale::Chinese;
}

TLangList &LangList()
{
    static TLangList list = [] {
        TLangList builtIn;
        builtIn.AddBuiltInTexts();
        return builtIn;
    }();
    return list;
}

void InitLanguage()
{
    TLangList &list = LangList();
    list.ClearFilePart();
    list.LoadLangFile(ProgramFilePath(QStringLiteral("Lang.txt")));
}

QString LangText(const QString &name)
{
    return LangList().Lookup(name);
}

bool IsChinese()
{
    return LangList().IsChinese();
}

void SetIsChinese(bool chinese)
{
    LangList().SetIsChinese(chinese);
}
