// The program's own drawing under the light and the dark palette: the
// progress text, the sorted column's tint and the lit hover button keep text
// readable (a contrast of 4.5:1 at least), measured on the colours the
// drawing code uses.

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>
#include <cstdio>

#include "application/panes/colour_scheme.h"
#include "application/panes/hover_button.h"
#include "application/panes/list_core.h"
#include "application/panes/readable_colours.h"
#include "application/panes/text_progress_ctrl.h"

namespace vox::panes {
namespace {

TEST(ContrastTest, MatchesTheGuidelinesFigures) {
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(Qt::white, Qt::black), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);
    EXPECT_NEAR(contrastRatio(QColor(0x30, 0x8c, 0xc6), QColor(0x30, 0x8c, 0xc6)), 1.0, 1e-9);
}

TEST(ContrastTest, ReadableOnKeepsAGoodColourAndMendsAPoorOneOnAnyBackground) {
    EXPECT_EQ(readableOn(Qt::white, QColor(0x20, 0x20, 0x80)), QColor(0x20, 0x20, 0x80));
    // Blue on blue gives way.
    EXPECT_NE(readableOn(QColor(0x30, 0x8c, 0xc6), QColor(0x30, 0x8c, 0xe6)),
              QColor(0x30, 0x8c, 0xe6));
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15) {
                const QColor background(r, g, b);
                EXPECT_GE(contrastRatio(background, readableOn(background, background)),
                          kReadableContrast)
                    << background.name().toStdString();
            }
}

// Each case runs under the platform's light palette and under Fusion's
// dark one.
class PaletteTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        saved_ = QApplication::palette();
        if (GetParam()) QApplication::setPalette(darkPalette());
    }
    void TearDown() override { QApplication::setPalette(saved_); }
    static QPalette palette() { return QApplication::palette(); }
    // Prints a measured ratio, for the record.
    static void report(const char* what, double ratio) {
        std::printf("    %s, %s palette: %.2f:1\n", what, GetParam() ? "dark" : "light", ratio);
    }

  private:
    QPalette saved_;
};

TEST_P(PaletteTest, ProgressTextReadsOnTheBarAndBesideIt) {
    TextProgressCtrl bar;
    EXPECT_EQ(bar.barColour(), palette().color(QPalette::Highlight));
    const double onBar = contrastRatio(bar.textOnBarColour(), bar.barColour());
    const double beside = contrastRatio(bar.textColour(), bar.backgroundColour());
    report("progress text on the bar", onBar);
    report("progress text beside the bar", beside);
    EXPECT_GE(onBar, kReadableContrast);
    EXPECT_GE(beside, kReadableContrast);
    // A bar given its owner's colours keeps its text readable as well.
    bar.setBarColour(QColor(0x10, 0x30, 0xc0));
    bar.setTextOnBarColour(QColor(0x10, 0x40, 0xd0));
    EXPECT_GE(contrastRatio(bar.textOnBarColour(), bar.barColour()), kReadableContrast);
}

TEST_P(PaletteTest, ProgressTextIsDrawnInTheReadableColour) {
    TextProgressCtrl bar;
    bar.resize(300, 24);
    bar.setRange(0, 100);
    bar.setPosition(100);
    bar.setText(QStringLiteral("MMMMMMMMMMMM"));
    const QImage shot = bar.grab().toImage();
    const QColor expected = bar.textOnBarColour();
    bool found = false;
    for (int y = 0; y < shot.height() && !found; ++y)
        for (int x = 0; x < shot.width() && !found; ++x)
            found = contrastRatio(shot.pixelColor(x, y), expected) < 1.05;
    EXPECT_TRUE(found) << "no pixel of the text colour " << expected.name().toStdString();
}

TEST_P(PaletteTest, SortedColumnTintKeepsTheListTextReadable) {
    const QColor base = palette().color(QPalette::Base);
    const QColor tint = sortColumnTint(base);
    EXPECT_NE(tint, base);
    const double ratio = contrastRatio(palette().color(QPalette::Text), tint);
    report("list text on the sorted column's tint", ratio);
    EXPECT_GE(ratio, kReadableContrast);
}

TEST_P(PaletteTest, LitHoverButtonFollowsThePalette) {
    const QColor lit = highlightedFace(palette());
    EXPECT_NE(lit, palette().color(QPalette::Button));
    const double ratio = contrastRatio(palette().color(QPalette::ButtonText), lit);
    report("button text on the lit hover face", ratio);
    EXPECT_GE(ratio, kReadableContrast);
    // The strip's lit face and edge become the palette's.
    QImage strip(2, 1, QImage::Format_RGB32);
    strip.setPixel(0, 0, 0xffe4eefa);
    strip.setPixel(1, 0, 0xff316ac5);
    const QImage mapped = mapStandardGreys(strip, palette());
    EXPECT_EQ(mapped.pixelColor(0, 0), lit);
    EXPECT_EQ(mapped.pixelColor(1, 0), palette().color(QPalette::Highlight));
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, PaletteTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Dark" : "Light"; });

TEST(ColourSchemeTest, DarkIsAskedForOnTheCommandLine) {
    const QPalette saved = QApplication::palette();
    const QString savedStyle = QApplication::style()->name();
    EXPECT_FALSE(applyColourScheme({QStringLiteral("Voxmain")}));
    EXPECT_EQ(QApplication::palette(), saved);
    EXPECT_TRUE(applyColourScheme({QStringLiteral("Voxmain"), QStringLiteral("--dark")}));
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    EXPECT_LT(relativeLuminance(QApplication::palette().color(QPalette::Window)), 0.1);
    QApplication::setStyle(savedStyle);
    QApplication::setPalette(saved);
}

}  // namespace
}  // namespace vox::panes
