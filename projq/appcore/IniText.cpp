#include "IniText.h"

#include "textfiles/TextFiles.h"

namespace {

// The name of a "[name]" header line, or nothing.
std::optional<QString> sectionName(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

bool isComment(const QString &line)
{
    const QString trimmed = line.trimmed();
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString unquoted(const QString &value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

IniText::IniText(const QString &text)
    : m_lines(LineDocument::fromBytes(text.toUtf8()))
{
}

IniText IniText::fromBytes(const QByteArray &bytes)
{
    IniText ini;
    ini.m_lines = LineDocument::fromBytes(bytes);
    return ini;
}

std::optional<QString> IniText::sectionAt(qsizetype i) const
{
    if (auto name = sectionName(m_lines.text(i)))
        return name;
    // A header in another 8-bit encoding: "[Café]" in Latin-1, read as GB18030, loses its ']'
    // into the last character. The brackets are plain ASCII in the bytes.
    if (m_lines.isUtf16())
        return std::nullopt;
    const QByteArray raw = m_lines.raw(i).trimmed();
    const qsizetype close = raw.indexOf(']');
    if (!raw.startsWith('[') || close < 0)
        return std::nullopt;
    return TextFiles::decodeLine(raw.mid(1, close - 1)).trimmed();
}

qsizetype IniText::sectionStart(const QString &section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const auto name = sectionAt(i);
        if (name && sameName(*name, section))
            return i;
    }
    return -1;
}

qsizetype IniText::sectionEnd(qsizetype start) const
{
    qsizetype i = start + 1;
    while (i < m_lines.size() && !sectionAt(i))
        ++i;
    return i;
}

qsizetype IniText::keyLine(const QString &key, qsizetype from, qsizetype to) const
{
    for (qsizetype i = from; i < to; ++i) {
        const QString line = m_lines.text(i);
        if (isComment(line))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && sameName(line.left(eq).trimmed(), key))
            return i;
    }
    return -1;
}

std::optional<QString> IniText::value(const QString &section, const QString &key) const
{
    const qsizetype start = sectionStart(section);
    if (start < 0)
        return std::nullopt;
    const qsizetype line = keyLine(key, start + 1, sectionEnd(start));
    if (line < 0)
        return std::nullopt;
    const QString text = m_lines.text(line);
    return unquoted(text.mid(text.indexOf(QLatin1Char('=')) + 1).trimmed());
}

void IniText::setValue(const QString &section, const QString &key, const QString &value)
{
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' '));
    clean.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString line = key + QLatin1Char('=') + clean;

    qsizetype start = sectionStart(section);
    if (start < 0) {
        m_lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        m_lines.append(line);
        return;
    }
    qsizetype end = sectionEnd(start);
    const qsizetype existing = keyLine(key, start + 1, end);
    if (existing >= 0) {
        // An unchanged value keeps its line as it is (its spacing, its quotes, its bytes).
        if (IniText::value(section, key) != clean.trimmed())
            m_lines.setText(existing, line);
        return;
    }
    // After the section's last key, before the blank lines that separate it from the next one.
    while (end > start + 1 && m_lines.text(end - 1).trimmed().isEmpty())
        --end;
    m_lines.insert(end, line);
}

QString IniText::toString() const
{
    QString text;
    for (const QString &line : m_lines.texts())
        text += line + QStringLiteral("\r\n");
    return text;
}
