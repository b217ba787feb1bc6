// The PC form: its seven picture buttons with their captions and names, the
// two lists bound to the kept choices, and the requests its buttons make.

#include <QToolTip>

#include "application/panes/hover_button.h"
#include "application/panes/tests/pc_pane_fixture.h"

namespace vox::app::testing {
namespace {

class DirFormTest : public PcPaneTest {};

TEST_F(DirFormTest, ButtonsHaveTheirStripsCaptionsAndNames) {
    open(root);
    struct Expected {
        CDirForm::Control id;
        QString caption;
        QString name;
    };
    const std::vector<Expected> expected = {
        {CDirForm::UpFolder, "&Up Floder", "Up one folder on the PC"},
        {CDirForm::CreateFolder, "&Create Folder", "Create a folder on the PC"},
        {CDirForm::Delete, "&Delete", "Delete on the PC"},
        {CDirForm::ConvertToWave, "&Convert to WAVE", "Convert to WAVE"},
        {CDirForm::ConvertToDvf, "&Convert to DVF", "Convert to DVF"},
        {CDirForm::Refresh, "&Refresh", "Refresh the PC list"}};
    for (const auto& [id, caption, name] : expected) {
        vox::panes::CHoverButton* button = form->button(id);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->frameSize(), QSize(42, 36)) << caption.toStdString();
        EXPECT_EQ(button->size(), QSize(42, 36));
        EXPECT_EQ(button->caption(), caption);
        EXPECT_EQ(button->accessibleName(), name);
        EXPECT_FALSE(button->accessibleDescription().isEmpty());
    }
    // The picture has no caption: its name is its tooltip.
    vox::panes::CHoverButton* picture = form->button(CDirForm::DirButton);
    EXPECT_EQ(picture->frameSize(), QSize(42, 36));
    EXPECT_TRUE(picture->caption().isEmpty());
    EXPECT_EQ(picture->tooltipText(), QStringLiteral("PC"));
    EXPECT_EQ(form->qualityList()->accessibleName(), QStringLiteral("Quality"));
    EXPECT_EQ(form->typeList()->accessibleName(), QStringLiteral("Type"));
}

TEST_F(DirFormTest, ListsShowTheKeptChoicesAndConvertButtonsAskTheMainWindow) {
    open(root);
    EXPECT_EQ(form->qualityList()->currentText(), QStringLiteral("WAV->LP"));
    EXPECT_EQ(form->typeList()->currentText(), QStringLiteral("*.*"));
    EXPECT_EQ(form->filter, QStringLiteral("*"));  // not taken from the list until committed
    form->qualityList()->setCurrentIndex(2);
    QTest::mouseClick(form->button(CDirForm::ConvertToWave), Qt::LeftButton);
    EXPECT_EQ(form->quality, 0);  // the WAVE conversion leaves the choices alone
    EXPECT_EQ(frame->count(vox::messages::WM_CONVERT_FILES, 1), 0);  // posted, not sent
    QTest::mouseClick(form->button(CDirForm::ConvertToDvf), Qt::LeftButton);
    EXPECT_EQ(form->quality, 2);
    EXPECT_EQ(form->filter, QStringLiteral("*.*"));
    EXPECT_TRUE(eventually([&] { return frame->count(vox::messages::WM_CONVERT_FILES, 1) == 1; }));
    EXPECT_TRUE(eventually([&] { return frame->count(vox::messages::WM_CONVERT_FILES, 0) == 1; }));
}

TEST_F(DirFormTest, RefreshButtonShowsNewFiles) {
    makeFolder("f");
    open(root + "f/");
    EXPECT_EQ(list->topLevelItemCount(), 0);
    makeFile("f/new.dvf", 1);
    QTest::mouseClick(form->button(CDirForm::Refresh), Qt::LeftButton);
    EXPECT_EQ(list->topLevelItemCount(), 1);
    ASSERT_FALSE(frame->statusTexts.empty());
    EXPECT_EQ(frame->statusTexts.back(), "Refresh Device");
    EXPECT_EQ(frame->messages.back().message, vox::messages::WM_STATUS_INFO);
    EXPECT_EQ(frame->messages.back().lParam, 0);  // the listing has ended
}

}  // namespace
}  // namespace vox::app::testing
