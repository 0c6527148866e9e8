// What one Pause stops on: one student, or several drawn at once of whom the window
// shows one at a time, and with the warm call the student announced to come next.
#include "FrmMain.h"
#include "lesson/Settings.h"
#include "MainWindowFeatures.h"
#include "PanelStatusBar.h"
#include "roll/RecordingJournal.h"

#include <QInputDialog>
#include <QLabel>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView SeveralKey = u"draw/several";
constexpr int MostAtOnce = 10;

} // namespace

// Each student drawn is a call of its own: their grades are undone one by one.
void FrmMain::takePicks(const std::vector<qsizetype>& lines)
{
    m_picks.clear();
    QStringList names;
    for (const qsizetype line : lines) {
        const QString draw = QUuid::createUuid().toString(QUuid::WithoutBraces);
        m_picks.push_back({line, draw, true});
        names.append(textsOfLine(*m_nameList, line).name.value_or(QString()));
        if (m_session.warmCall())
            if (const std::optional<StudentKey> key = m_session.keyOnLine(line))
                m_warmDraws.insert(draw, *key);
    }
    m_features->showPicks(names, 0);
    if (m_picks.empty())
        return;
    showPick(0);
    if (m_picks.size() > 1)
        m_statusBar->showNotice(u"一次抽到 "_s + QString::number(m_picks.size()) +
                                    u" 人，按 [ 或 ] 换一位"_s,
                                NoticeTime);
    else if (severalCount() > 1)
        m_statusBar->showNotice(u"只抽到 1 人：本轮没有别人可抽"_s, NoticeTime);
}

// The name, its count and its tallies follow the student picked, so that OK, a
// grade key and P all act on the student on screen.
void FrmMain::showPick(std::size_t at)
{
    m_pickAt = at;
    m_shownLine = m_picks[at].line;
    if (m_shownLine)
        showDrawTexts(textsOfLine(*m_nameList, *m_shownLine));
    QStringList names;
    for (const Pick& pick : m_picks)
        names.append(pick.line ? textsOfLine(*m_nameList, *pick.line).name.value_or(QString())
                               : QString());
    m_features->showPicks(names, int(at));
}

void FrmMain::stepPick(int step)
{
    if (m_picks.size() < 2 || m_timerName->isActive())
        return;
    const auto count = qsizetype(m_picks.size());
    showPick(std::size_t(((qsizetype(m_pickAt) + step) % count + count) % count));
}

int FrmMain::severalCount() const
{
    return std::clamp(m_settings->bytes(SeveralKey).toInt(), 1, MostAtOnce);
}

void FrmMain::askSeveralCount()
{
    bool chosen = false;
    const int count =
        QInputDialog::getInt(this, u"一次抽取多人"_s, u"每次暂停抽到几位同学（1 为一次一人）："_s,
                             severalCount(), 1, MostAtOnce, 1, &chosen);
    if (!chosen)
        return;
    remember(SeveralKey, QByteArray::number(count));
    m_statusBar->showNotice(count > 1 ? u"每次暂停抽 "_s + QString::number(count) + u" 人"_s
                                      : u"每次暂停抽 1 人"_s,
                            NoticeTime);
}

void FrmMain::switchWarmCall(bool on)
{
    m_session.setWarmCall(on);
    m_statusBar->showNotice(
        on ? u"预告下一位：每次暂停后告诉下一位同学准备"_s : u"不再预告下一位"_s, NoticeTime);
    showAnnouncement();
}

void FrmMain::showAnnouncement()
{
    const std::optional<qsizetype> next = m_session.announce(m_random);
    const std::optional<QString> name = next ? textsOfLine(*m_nameList, *next).name : std::nullopt;
    m_features->showAnnouncement(name ? u"下一位："_s + *name + u"，请准备"_s : QString());
}

void FrmMain::takeBackUndone(const RecordedGrade& recording)
{
    const auto drawn = m_warmDraws.constFind(recording.drawId);
    if (recording.classFileName != m_loadedClass || drawn == m_warmDraws.cend())
        return;
    m_session.takeBack(*drawn);
    showAnnouncement();
    drawStateChanged();
}

} // namespace mirello
