#include "Features.h"

namespace mirello {

namespace {

using enum Feature;
using enum KeyScope;

// Page Down and Right are what presenter clickers send for "next"; the keypad's
// keys carry the keypad modifier and are listed beside the main ones.
constexpr FeatureRow Table[] = {
    {StartPause, u"开始/暂停", u"Space; PgDown; Right", InBoth, u"", true, u"", u"start-pause"},
    {Record, u"记录成绩", u"Return; Enter; Num+Enter", InBoth, u"", false, u"", u"record"},
    {ChooseExcellent, u"打分：优秀", u"1; Num+1", InBoth, u"", true, u"", u"grade N", 1},
    {ChooseGood, u"打分：良好", u"2; Num+2", InBoth, u"", false, u"", u"grade N", 2},
    {ChoosePass, u"打分：及格", u"3; Num+3", InBoth, u"", false, u"", u"grade N", 3},
    {ChooseFail, u"打分：不及格", u"4; Num+4", InBoth, u"", false, u"", u"grade N", 4},
    {Undo, u"撤销上一次记录", u"Ctrl+Z", InBoth, u"", true, u"", u"undo"},
    {OncePerRound, u"本轮不重复", u"", InBoth, u"draw/oncePerRound", true, u"", u"round"},
    {Pass, u"跳过，稍后再点", u"P", InBoth, u"", false, u"", u"pass"},
    {NewRound, u"重新开始一轮", u"", InBoth, u"", false, u"", u"new-round"},
    {MarkAbsent, u"屏幕上的学生今天缺席（再用一次取消）", u"Q", InBoth, u"", false, u"", u"absent"},
    {Attendance, u"点到：谁今天缺席…", u"D", InBoth, u""},
    {WarmCall, u"预告下一位", u"", InBoth, u"draw/warmCall"},
    {SeveralAtOnce, u"设置人数…", u"M", InBoth, u"", false, u"一次抽取多人"},
    // Not ↑ and ↓, which belong to a focused drop-down list.
    {PreviousPick, u"上一位", u"[", InBoth, u"", true, u"一次抽取多人", u"previous"},
    {NextPick, u"下一位", u"]", InBoth, u"", false, u"一次抽取多人", u"next"},
    {Groups, u"分组…", u"G", InBoth, u""},
    {Overview, u"班级概览", u"Ctrl+L", InMain, u"", true},
    {Projector, u"投影窗口", u"F11", InMain, u"", true},
    {FloatingButton, u"悬浮窗", u"F12", InMain, u""},
    // One screen that the class sees: grades only in a view opened on purpose, and on the phone.
    {BoardMode, u"大屏模式（成绩只在手机上）", u"", InBoth, u"board/on"},
    {ProjectorFullScreen, u"投影窗口全屏", u"F11", InProjector, u""},
    {ProjectorDark, u"投影窗口深色", u"", InBoth, u"projector/dark"},
    // Off by default: a student's 不及格 shown to the whole class hurts.
    {ProjectorGrades, u"投影显示成绩", u"", InBoth, u"projector/showGrades"},
    {Speech, u"朗读抽到的名字", u"", InBoth, u"speech/on", true},
    {Countdown30Seconds, u"30 秒", u"", InBoth, u"", true, u"计时", u"", 30},
    {Countdown1Minute, u"1 分钟", u"", InBoth, u"", false, u"计时", u"", 60},
    {Countdown2Minutes, u"2 分钟", u"", InBoth, u"", false, u"计时", u"", 120},
    {Countdown3Minutes, u"3 分钟", u"", InBoth, u"", false, u"计时", u"", 180},
    {Countdown5Minutes, u"5 分钟", u"", InBoth, u"", false, u"计时", u"", 300},
    {CountdownTyped, u"其他时长…", u"", InBoth, u"", false, u"计时"},
    {CountdownPauseResume, u"暂停/继续计时", u"T", InBoth, u"", true, u"计时", u"countdown-pause"},
    {CountdownStop, u"停止计时", u"", InBoth, u"", false, u"计时", u"countdown-stop"},
    {ImportClass, u"导入班级…", u"Ctrl+I", InMain, u"", true},
    {ExportClasses, u"导出…", u"Ctrl+E", InMain, u""},
    {Backups, u"备份与恢复…", u"", InMain, u""},
    {NewTerm, u"新学期…", u"", InMain, u""},
    {ZoomIn, u"放大", u"Ctrl+=; Ctrl++", InMain, u"", true, u"缩放主窗口"},
    {ZoomOut, u"缩小", u"Ctrl+-", InMain, u"", false, u"缩放主窗口"},
    {Zoom100, u"100%（原始大小）", u"Ctrl+0", InMain, u"", true, u"缩放主窗口", u"", 100},
    {Zoom150, u"150%", u"", InMain, u"", false, u"缩放主窗口", u"", 150},
    {Zoom200, u"200%", u"", InMain, u"", false, u"缩放主窗口", u"", 200},
    {Zoom250, u"250%", u"", InMain, u"", false, u"缩放主窗口", u"", 250},
    // Between lessons the board belongs to the students.
    {LockNow, u"下课锁定", u"Ctrl+K", InBoth, u"", true},
    {Unlock, u"解锁…", u"Ctrl+U", InBoth, u"", false, u"", u"unlock"},
    {LockSettings, u"锁定密码与时间…", u"", InMain, u""},
    {LockDrawingOpen, u"锁定时仍可抽名", u"", InMain, u"lock/drawingOpen"},
    {GlobalKeysSettings, u"全局快捷键…", u"", InMain, u"", true},
    {PhoneRemote, u"手机遥控…", u"", InMain, u"", false, u"", u"phone-remote"},
    {Keys, u"按键一览", u"F1", InBoth, u""},
    {Guide, u"使用指南", u"", InBoth, u""},
    {ChooseClass, u"选择班级，名称同“名册”中的写法", u"", Nowhere, u"", false, u"", u"class 名称"},
    {AbsentOf, u"把这位学生标为今天缺席，再用一次取消", u"", Nowhere, u"", false, u"",
     u"absent-of 姓名"},
    {CountdownFor, u"开始倒计时，1 到 5999 秒", u"", Nowhere, u"", false, u"", u"countdown 秒数"},
};

constexpr GlobalKeyRow GlobalKeys[] = {
    {StartPause, u"Ctrl+Alt+Space", u"globalKeys/startPause"},
    {Record, u"Ctrl+Alt+Return", u"globalKeys/record"},
    {ChooseExcellent, u"Ctrl+Alt+1", u"globalKeys/grade1"},
    {ChooseGood, u"Ctrl+Alt+2", u"globalKeys/grade2"},
    {ChoosePass, u"Ctrl+Alt+3", u"globalKeys/grade3"},
    {ChooseFail, u"Ctrl+Alt+4", u"globalKeys/grade4"},
    {Pass, u"Ctrl+Alt+P", u"globalKeys/pass"},
    {Undo, u"Ctrl+Alt+U", u"globalKeys/undo"},
    {MarkAbsent, u"Ctrl+Alt+Q", u"globalKeys/absent"},
};

} // namespace

std::span<const GlobalKeyRow> globalKeyTable()
{
    return GlobalKeys;
}

std::span<const FeatureRow> featureTable()
{
    return Table;
}

const FeatureRow& featureRow(Feature feature)
{
    for (const FeatureRow& row : Table) {
        if (row.feature == feature)
            return row;
    }
    Q_UNREACHABLE();
}

} // namespace mirello
