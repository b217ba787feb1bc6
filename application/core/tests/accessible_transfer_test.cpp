// The Total and Current bars during an upload from the simulated recorder,
// as a screen reader follows them: at each step the accessible value and
// text are the bar's own, and the moves are announced, rate-limited, up to
// the bar's last state.

#include <QElapsedTimer>
#include <set>

#include "application/core/tests/recorder_program_fixture.h"
#include "application/core/tests/support/accessibility_events.h"
#include "platform/messages/message_numbers.h"

namespace vox::app::testing {
namespace {

namespace msg = vox::messages;

struct SaidState {
    int value;
    int maximum;
    QString text;
    int shownPosition;
    QString shownText;
};

// What the Total bar said when each transfer notice was handled.
class SaidRecorder final : public MessageObserver {
  public:
    explicit SaidRecorder(CFlashForm& form) : form_(form) { form_.addObserver(this); }
    ~SaidRecorder() override { form_.removeObserver(this); }
    void observe(Message message, WParam, LParam) override {
        if (message != msg::WM_TRANSFER_NOTIFY) return;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(form_.totalBar());
        states.push_back({face->valueInterface()->currentValue().toInt(),
                          face->valueInterface()->maximumValue().toInt(),
                          face->text(QAccessible::Value), form_.totalBar()->position(),
                          form_.totalBar()->text()});
    }
    std::vector<SaidState> states;

  private:
    CFlashForm& form_;
};

using AccessibleTransferTest = RecorderProgramTest;

TEST_F(AccessibleTransferTest, BarsSayTheirProgressAndAnnounceItToTheEnd) {
    VOX_REQUIRE_ACCESSIBILITY_BUS();
    addRecorderFile("HD", "FIRST.BIN", 40000, 1, u"First.bin");
    addRecorderFile("HD", "SECOND.BIN", 1, 2, u"Second.bin");
    addRecorderFile("HD", "THIRD.BIN", 32768, 3, u"Third.bin");
    showRecorderFolder(4);
    selectRecorderRows({0, 1, 2});
    SaidRecorder said(*form);
    AccessibilityEvents heard;

    QElapsedTimer clock;
    clock.start();
    request(msg::WM_UPLOAD_FILES);
    waitIdle();

    ASSERT_FALSE(said.states.empty());
    QStringList texts;
    for (const SaidState& state : said.states) {
        EXPECT_EQ(state.value, state.shownPosition);
        if (!state.shownText.isEmpty()) {
            EXPECT_EQ(state.text, state.shownText);
        }
        if (texts.isEmpty() || texts.back() != state.text) texts << state.text;
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("50% Complete (1/3)")))
        << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("100% Complete (3/3)")));
    EXPECT_EQ(said.states.back().maximum, 4);  // blocks 2, 1 and 1

    // The Total bar's moves were heard, each a value the bar held, no more
    // often than the interval allows, and once idle the last value heard is
    // the bar's own (a move within the interval gives way to the next one).
    VOX_TRY_VERIFY(!heard.values(form->totalBar()).empty() &&
                   heard.values(form->totalBar()).back() == form->totalBar()->position());
    std::set<int> held{0};
    for (const SaidState& state : said.states) held.insert(state.shownPosition);
    const std::vector<int> total = heard.values(form->totalBar());
    for (int value : total) EXPECT_TRUE(held.count(value)) << value;
    const auto allowed = 2 + clock.elapsed() / vox::panes::TextProgressCtrl::kAnnounceIntervalMs;
    EXPECT_LE(static_cast<qint64>(total.size()), allowed);
    EXPECT_FALSE(heard.values(form->currentBar()).empty());
}

}  // namespace
}  // namespace vox::app::testing
