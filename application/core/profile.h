#pragma once
// The per-user settings store: sections "UserForms" and "UserSettings" under
// the settings root and the application title (QSettings' organisation and
// application names, set at start-up). Every value the program keeps between
// runs is named here with its type and its default.

#include <QString>

namespace vox::app {

struct IntSetting {
    const char* section;
    const char* name;
    int fallback;
};

struct TextSetting {
    const char* section;
    const char* name;
    const char* fallback;
};

inline constexpr char kUserForms[] = "UserForms";
inline constexpr char kUserSettings[] = "UserSettings";

namespace setting {
// Main window placement (written at close, read at creation).
inline constexpr IntSetting Status{kUserForms, "Status", 1};
inline constexpr IntSetting Top{kUserForms, "Top", 148};
inline constexpr IntSetting Left{kUserForms, "Left", 135};
inline constexpr IntSetting Bottom{kUserForms, "Bottom", 632};
inline constexpr IntSetting Right{kUserForms, "Right", 765};
// Splitter positions: ideal and minimum sizes.
inline constexpr IntSetting FrameSplit{kUserForms, "FrameSplit", 220};
inline constexpr IntSetting FrameSplitMin{kUserForms, "FrameSplitMin", 50};
inline constexpr IntSetting DirSplit{kUserForms, "DirSplit", 195};
inline constexpr IntSetting DirSplitMin{kUserForms, "DirSplitMin", 50};
inline constexpr IntSetting FlashSplit{kUserForms, "FlashSplit", 195};
inline constexpr IntSetting FlashSplitMin{kUserForms, "FlashSplitMin", 50};
inline constexpr IntSetting DToolBar{kUserForms, "DToolBar", 43};
inline constexpr IntSetting DToolBarMin{kUserForms, "DToolBarMin", 40};
inline constexpr IntSetting FToolBar{kUserForms, "FToolBar", 43};
inline constexpr IntSetting FToolBarMin{kUserForms, "FToolBarMin", 40};
// Written at close, never applied: the status panes have fixed widths.
inline constexpr IntSetting MemBarWidth{kUserForms, "MemBarWidth", 200};
// User choices.
inline constexpr TextSetting WorkingDirectory{kUserSettings, "WorkingDirectory", ""};
inline constexpr IntSetting WorkingFlashFolder{kUserSettings, "WorkingFlashFolder", -1};
inline constexpr IntSetting SortCol{kUserSettings, "SortCol", -3};
inline constexpr IntSetting CB_Quality{kUserSettings, "CB_Quality", 0};
inline constexpr TextSetting CB_Filter{kUserSettings, "CB_Filter", "*"};
}  // namespace setting

// The profile operations: read with the default when the value is absent (or
// is not a number), write.
int readInt(const IntSetting& value);
void writeInt(const IntSetting& value, int number);
QString readText(const TextSetting& value);
void writeText(const TextSetting& value, const QString& text);

}  // namespace vox::app
