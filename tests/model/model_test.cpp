// Random sequences of what a user does, run against the real program and
// the simulated keyboard, checked after every step against the model.
// RC_PARAMS runs longer searches, e.g. RC_PARAMS="max_success=2000 seed=7";
// without it a fixed set of seeds runs (the CI budget).
#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>

#include <unistd.h>

#include "model/actions.h"

namespace rc {

template <>
struct Arbitrary<vantora::model::Action> {
    static Gen<vantora::model::Action> arbitrary() {
        using vantora::model::Action;
        using vantora::model::Fault;
        using vantora::model::Kind;
        // Changes of keys and macros most often; the program's life and
        // faults now and then.
        const Gen<Kind> kind = gen::weightedElement<Kind>({
            {3, Kind::kProfileAdd},
            {1, Kind::kProfileRename},
            {2, Kind::kProfileDelete},
            {3, Kind::kProfileSelect},
            {2, Kind::kProfileRoundTrip},
            {12, Kind::kKeySet},
            {2, Kind::kKeyDefault},
            {4, Kind::kMacroAdd},
            {1, Kind::kMacroAddMany},
            {1, Kind::kMacroRename},
            {2, Kind::kMacroDelete},
            {4, Kind::kMacroRecords},
            {2, Kind::kMacroRoundTrip},
            {3, Kind::kLightSet},
            {2, Kind::kLightKeys},
            {1, Kind::kLightKeysClear},
            {2, Kind::kSwitch},
            {1, Kind::kReset},
            {2, Kind::kSync},
            {1, Kind::kUnplug},
            {2, Kind::kPlug},
            {2, Kind::kRestart},
            {5, Kind::kPress},
            {1, Kind::kKeyboardReset},
            {1, Kind::kKeySetMany},
            {1, Kind::kProfileImportAgain},
            {1, Kind::kProfileFromElsewhere},
            {2, Kind::kRuleAdd},
            {1, Kind::kRuleRemove},
            {1, Kind::kRuleOthers},
            {1, Kind::kFollowSwitch},
            {3, Kind::kFocus},
        });
        const Gen<Fault> fault = gen::weightedElement<Fault>({
            {24, Fault::kNone},
            {1, Fault::kKeyboardRefuses},
            {1, Fault::kKeyboardSilent},
            {1, Fault::kDatabaseBusy},
        });
        return gen::apply(
            [](Kind k, int a, int b, int c, int d, Fault f) { return Action{k, a, b, c, d, f}; }, kind,
            gen::inRange(0, 64), gen::inRange(0, 64), gen::inRange(0, 256), gen::inRange(0, 256), fault);
    }
};

}  // namespace rc

namespace vantora::model {
namespace {

RC_GTEST_PROP(ModelTest, EveryStepKeepsProgramKeyboardAndModelAgreed, ()) {
    const auto actions = *rc::gen::resize(40, rc::gen::arbitrary<std::vector<Action>>());
    RunStats stats;
    const auto start = std::chrono::steady_clock::now();
    const std::string failure = RunSequence(actions, &stats);
    static int total = 0;
    static double seconds = 0;
    total += stats.steps;
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RC_TAG(total / std::max(1.0, seconds) > 0 ? "ran" : "ran");
    if (!failure.empty()) {
        RC_FAIL(failure);
    }
    if (std::getenv("VANTORA_MODEL_RATE") != nullptr) {
        std::cerr << total << " steps in " << seconds << " s\n";
    }
}

// Sequences the search found, shrunk; each failed before its fix.
using K = Kind;

TEST(ModelRegression, ARestartAfterARefusedKeyDownloadKeepsTheStoredKey) {
    EXPECT_EQ(RunSequence({{K::kKeySet, 0, 0, 0, 0, Fault::kKeyboardRefuses}, {K::kRestart}}), "");
}

TEST(ModelRegression, AKeyGivenItsOwnFunctionSurvivesARestart) {
    // Left Shift given "Left Shift alone": the keyboard shows its default bytes.
    EXPECT_EQ(RunSequence({{K::kKeySet, 5, 0, 3, 0}, {K::kRestart}}), "");
}

TEST(ModelRegression, APlugInLoadsAKeyboardResetWhileAway) {
    EXPECT_EQ(RunSequence({{K::kKeySet, 0, 0, 0, 0}, {K::kKeyboardReset}, {K::kKeySet, 1, 1, 1, 0}}), "");
}

TEST(ModelRegression, AProfileSelectedAfterAKeyboardResetPlaysItsMacro) {
    // Profile 1 binds a key to a macro with records; the keyboard forgets
    // its macro memory while away; profile 2 then profile 1 again.
    EXPECT_EQ(RunSequence({{K::kMacroAdd},
                           {K::kMacroRecords, 0, 2, 0, 1},
                           {K::kKeySet, 1, 0, 9, 0},
                           {K::kProfileSelect, 1},
                           {K::kKeyboardReset},
                           {K::kProfileSelect, 0}}),
              "");
}

// A macro renamed after a key was bound to it, then the profile exported
// and imported.
TEST(ModelRegression, ARenamedMacroKeepsItsKeyThroughARoundTrip) {
    EXPECT_EQ(
        RunSequence(
            {{K::kMacroAdd}, {K::kKeySet, 1, 0, 9, 0}, {K::kMacroRename, 0, 1}, {K::kProfileRoundTrip, 0}}),
        "");
}

// Host-side keys imported from another computer's file take new rows past
// id 255; each press runs its own key's text.
TEST(ModelRegression, KeysImportedFromElsewhereRunTheirOwnTexts) {
    std::vector<Action> steps = {{K::kProfileAdd}, {K::kProfileAdd}};
    for (int i = 0; i < 4; ++i) {
        steps.push_back({K::kKeySetMany, i / 2, i % 2});
    }
    steps.push_back({K::kProfileRoundTrip, 0});
    steps.push_back({K::kProfileImportAgain});
    steps.push_back({K::kProfileSelect, 6});
    for (int i = 0; i < 12; ++i) {
        steps.push_back({K::kPress, i * 7, 0, 1});
    }
    EXPECT_EQ(RunSequence(steps), "");
}

// Two profiles from another computer, a text on every key: the second's
// host-side rows pass id 255; its keys run their own texts.
TEST(ModelRegression, TwoProfilesFromElsewhereRunTheirOwnTexts) {
    std::vector<Action> steps = {
        {K::kProfileFromElsewhere}, {K::kProfileFromElsewhere}, {K::kProfileSelect, 4}};
    for (int i = 0; i < 8; ++i) {
        steps.push_back({K::kPress, i * 29, 0, 1});
    }
    EXPECT_EQ(RunSequence(steps), "");
}

// The keyboard holds profile 1's table when it comes back; the application
// in front selected profile 4 while it was away: its keys are not the
// keyboard's to judge.
TEST(ModelRegression, AProfileSelectedWhileAwayKeepsItsKeys) {
    EXPECT_EQ(RunSequence({{K::kProfileAdd},
                           {K::kKeySet, 0, 0, 0, 0},
                           {K::kProfileSelect, 0},
                           {K::kRuleAdd, 0, 3},
                           {K::kUnplug},
                           {K::kFocus},
                           {K::kPlug}}),
              "");
}

}  // namespace
}  // namespace vantora::model

int main(int argc, char** argv) {
    // The fixed seeds of the suite, unless a longer search was asked for.
    ::setenv("RC_PARAMS", "seed=20261211 max_success=60 max_size=40 verbose_progress=0", 0);
    // Thousands of small commits: in memory where the machine offers it.
    if (std::getenv("TMPDIR") == nullptr && ::access("/dev/shm", W_OK) == 0) {
        ::setenv("TMPDIR", "/dev/shm", 1);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
