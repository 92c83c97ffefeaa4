// Numbers typed into the panel's edits and stepped with their spins: what is stored (seen through
// the shells drawn) and what the edit shows afterwards.
#include <float.h>
#include <math.h>

#include "tests/panel/PanelFixture.h"
#include "ui/PanelEdits.h"

namespace {

// One quadrilateral in the z = 0 plane; its push direction is -z, so a layer's depth is minus
// its push.
class EditsTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        testhost::AddUnitQuad("quad");
        Open();
        ClickRow(0);
        TickRow(0, true);
        wb::ProcessMessages();
    }
};

TEST_F(EditsTest, IntegerFieldsAreClampedWithTheCorrectedTextWrittenBack) {
    ChooseComboEntry(IDC_COLOR_MODE, 2);  // "描画色": transparency and brightness editable
    Type(IDC_TRANSPARENCY, "150");
    EXPECT_EQ(Text(IDC_TRANSPARENCY), "100");
    Type(IDC_TRANSPARENCY, "-20");
    EXPECT_EQ(Text(IDC_TRANSPARENCY), "0");
    Type(IDC_BRIGHTNESS, "99999999999999999999");  // beyond int: clamped, not undefined
    EXPECT_EQ(Text(IDC_BRIGHTNESS), "100");
    SpinUp(IDC_BRIGHTNESS_SPIN);  // 105 for a moment
    EXPECT_EQ(Text(IDC_BRIGHTNESS), "100");
    SpinUp(IDC_TRANSPARENCY_SPIN);
    EXPECT_EQ(Text(IDC_TRANSPARENCY), "5");

    Type(IDC_REPEAT_COUNT, "");
    EXPECT_EQ(Text(IDC_REPEAT_COUNT), "1");
    SpinDown(IDC_REPEAT_COUNT_SPIN);  // 0, mended to 1
    EXPECT_EQ(Text(IDC_REPEAT_COUNT), "1");
    Type(IDC_REPEAT_COUNT, "-99999999999999999999");
    EXPECT_EQ(Text(IDC_REPEAT_COUNT), "1");
    // Past the spin's range 1..10 a count still means what it says.
    Type(IDC_REPEAT_COUNT, "20");
    EXPECT_EQ(Text(IDC_REPEAT_COUNT), "20");
    wb::ProcessMessages();
    EXPECT_EQ(wb::DrawObjects().size(), 20u);
    // A count no one means is held at the bound instead of stalling every redraw.
    Type(IDC_REPEAT_COUNT, "99999999999999999999");
    EXPECT_EQ(Text(IDC_REPEAT_COUNT), "1000");
    wb::ProcessMessages();
    EXPECT_EQ(wb::DrawObjects().size(), static_cast<size_t>(kMaxRepeatCount));
}

TEST_F(EditsTest, SpinsStepTheEditsTextAdaptively) {
    struct Step {
        const char* from;
        bool up;
        const char* to;
    };
    for (const Step& step : {Step{"9.9", true, "10.4"}, Step{"10.0", true, "11.0"},
                             Step{"2.0", false, "1.8"}, Step{"1.9", false, "1.8"},
                             Step{"-10.0", false, "-11.0"}, Step{"4.9", true, "5.1"},
                             Step{"5.0", true, "5.5"}}) {
        Type(IDC_PUSH_DISTANCE, step.from);
        step.up ? SpinUp(IDC_PUSH_DISTANCE_SPIN) : SpinDown(IDC_PUSH_DISTANCE_SPIN);
        EXPECT_EQ(Text(IDC_PUSH_DISTANCE), step.to) << step.from;
    }
    Type(IDC_REPEAT_COUNT, "3");
    SpinUp(IDC_REPEAT_COUNT_SPIN);
    EXPECT_EQ(Text(IDC_REPEAT_COUNT), "4");
    // The stepped text is what the shell gets: 4 layers pushed 5.5 apart.
    wb::ProcessMessages();
    ASSERT_EQ(wb::DrawObjects().size(), 4u);
    EXPECT_NEAR(LayerDepths()[3], -4 * 5.5f, 1e-4);
}

TEST_F(EditsTest, PushDistanceKeepsTheTwoDecimalsThePanelShows) {
    Type(IDC_PUSH_DISTANCE, "1.234");
    wb::ProcessMessages();
    EXPECT_NEAR(LayerDepths().at(0), -1.234f, 1e-6);
    ClickRow(0);  // the reload shows "%0.2f" and the edit reads it back
    wb::ProcessMessages();
    EXPECT_EQ(Text(IDC_PUSH_DISTANCE), "1.23");
    EXPECT_NEAR(LayerDepths().at(0), -1.23f, 1e-6);
}

// A reload leaves alone an edit that shows the text already, yet the object still gets the value
// that text stands for, as when the text is written.
TEST_F(PanelTest, ReloadRoundsTheDistanceAlsoWhenTheEditShowsThatTextAlready) {
    testhost::AddUnitQuad("a");
    testhost::AddUnitQuad("b");
    Open();
    for (int32_t row : {0, 1}) {
        ClickRow(row);
        TickRow(row, true);
        wb::ProcessMessages();
    }
    Type(IDC_PUSH_DISTANCE, "1.23");  // b
    ClickRow(0);
    wb::ProcessMessages();
    Type(IDC_PUSH_DISTANCE, "1.234");  // a, not rounded until its next reload
    ClickRow(1);
    wb::ProcessMessages();
    ClickRow(0);  // a's reload finds b's "1.23" in the edit
    wb::ProcessMessages();
    EXPECT_EQ(Text(IDC_PUSH_DISTANCE), "1.23");
    const std::vector<float> depths = LayerDepths();
    ASSERT_EQ(depths.size(), 2u);
    EXPECT_NEAR(depths[0], -1.23f, 1e-6);
    EXPECT_NEAR(depths[1], -1.23f, 1e-6);
}

TEST_F(EditsTest, FloatTextNoFloatCanHoldIsMended) {
    Type(IDC_PUSH_DISTANCE, "nan");
    EXPECT_EQ(Text(IDC_PUSH_DISTANCE), "0.00");
    wb::ProcessMessages();
    EXPECT_EQ(LayerDepths().at(0), 0.0f);
    Type(IDC_PUSH_DISTANCE, "-1e300");
    EXPECT_EQ(Text(IDC_PUSH_DISTANCE).substr(0, 4), "-340");
    wb::ProcessMessages();
    EXPECT_TRUE(isfinite(LayerDepths().at(0)));
    // Text that is no number at all reads as 0, as before; nothing is written back.
    Type(IDC_PUSH_DISTANCE, "abc");
    EXPECT_EQ(Text(IDC_PUSH_DISTANCE), "abc");
}

TEST(NumberRules, IntegersSaturateThenClampAndFloatsStayFinite) {
    bool corrected = false;
    EXPECT_EQ(ParseClampedInt("  42xyz", 0, 100, &corrected), 42);
    EXPECT_FALSE(corrected);
    EXPECT_EQ(ParseClampedInt("", 1, kMaxRepeatCount, &corrected), 1);
    EXPECT_TRUE(corrected);
    EXPECT_EQ(ParseClampedInt("9223372036854775808", 0, 100, &corrected), 100);
    EXPECT_EQ(ParseClampedInt("-9223372036854775809", 0, 100, &corrected), 0);
    EXPECT_EQ(ParseClampedInt(nullptr, 0, 100, &corrected), 0);

    EXPECT_EQ(ParseFloatField("1e39", &corrected), FLT_MAX);
    EXPECT_TRUE(corrected);
    EXPECT_EQ(ParseFloatField("-inf", &corrected), -FLT_MAX);
    EXPECT_EQ(ParseFloatField("nan", &corrected), 0.0f);
    EXPECT_FLOAT_EQ(ParseFloatField("2.5", &corrected), 2.5f);
    EXPECT_FALSE(corrected);

    EXPECT_EQ(TruncateToInt(1e300), INT32_MAX);
    EXPECT_EQ(TruncateToInt(-1e300), INT32_MIN);
    EXPECT_EQ(TruncateToInt(NAN), 0);
    EXPECT_EQ(TruncateToInt(-0.9), 0);
    EXPECT_EQ(AdaptiveStep(-5.0), 0.5);
    EXPECT_EQ(AdaptiveStep(NAN), 0.1);
}

}  // namespace
