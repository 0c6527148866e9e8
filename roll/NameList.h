#pragma once

#include <QString>
#include <QStringView>
#include <vector>

namespace mirello {

// The lines of one class file as text, in file order, without their line ends. A
// line ends at CR LF or at a lone LF; a lone CR stays inside its line. A text that
// ends with a line end has an empty last line, so a file of N complete lines gives
// N + 1 elements. The lines share one buffer, which keeps a large class small.
class NameList
{
public:
    // `text` is shorter than 4 Gi characters.
    static NameList fromText(QString text);

    qsizetype size() const { return static_cast<qsizetype>(m_lineStarts.size()) - 1; }
    // The lines a draw chooses among: every element but the empty text after a final
    // line end, so a last line that an editor saved without a line end is one of them.
    qsizetype drawnLineCount() const;
    QStringView at(qsizetype index) const;
    // Puts `line` in place of line `index`, which is exactly as long.
    void overwrite(qsizetype index, QStringView line);

private:
    QString m_text;
    // Start of every line, then a sentinel one past the end of the text, so line i
    // ends just before the LF at m_lineStarts[i + 1] - 1. 32 bits: class files are
    // far smaller, and a file of blank lines then costs 6 bytes a byte, not 10.
    std::vector<quint32> m_lineStarts;
};

} // namespace mirello
