#include "lighting/light_catalogue.h"

#include <latch>
#include <numeric>
#include <thread>

#include "i18n/strings.h"
#include "lighting/light_parameters.h"
#include "lighting/music_layer.h"
#include "lighting_fixture.h"
#include "unit/db/db_fixture.h"

namespace vantora {
namespace {

using test::LightingTest;
using CatalogueTest = LightingTest;

constexpr int kEnglish = 1033;
constexpr int kChinese = 2052;

TEST_F(CatalogueTest, AnEmptyTableGetsTheCatalogueInOrderWithSpectrumCurrent) {
    EXPECT_EQ(EnsureLightModes(db, false, kEnglish), 1);
    const std::vector<LightMode> rows = Rows();
    ASSERT_EQ(rows.size(), 22u);
    std::vector<int> modes;
    for (const LightMode& row : rows) {
        modes.push_back(row.mode);
        EXPECT_EQ(row.profile, 1);
        EXPECT_EQ(row.brightness, 100);
        EXPECT_EQ(row.speed, 3);
        EXPECT_EQ(row.direction, 0);
        EXPECT_EQ(row.colorful, 1);
        EXPECT_EQ(row.colorindex, 0);
        EXPECT_EQ(row.color_value, 0xEDE338);
        EXPECT_EQ(row.name, GetUiString(row.reserved, kEnglish));
        EXPECT_EQ(row.config_func & kLightPerKey, 0);
    }
    EXPECT_EQ(modes, (std::vector<int>{1,  2,  4,  3,  5,  6,  7,  8,  9,  10, 11,
                                       12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22}));
    EXPECT_EQ(rows.front().name, "Spectrum");
    EXPECT_EQ(rows[11].name, "Wave");
    EXPECT_EQ(rows[11].config_func, 0x3B);
    EXPECT_EQ(CurrentModes(), std::vector<int>{1});

    // Loaded again: nothing added, the current mode kept.
    db.SetActiveLightMode(1, 6);
    EXPECT_EQ(EnsureLightModes(db, false, kEnglish), 6);
    EXPECT_EQ(Rows().size(), 22u);
}

TEST_F(CatalogueTest, NamesAreStoredInTheLanguageOfCreation) {
    EnsureLightModes(db, true, kChinese);
    EXPECT_EQ(Row(1).name, GetUiString(71, kChinese));
    EXPECT_EQ(Row(0).name, GetUiString(91, kChinese));
    EXPECT_NE(Row(1).name, "Spectrum");
}

TEST_F(CatalogueTest, PerKeyAppendsCustomOnceToNewAndExistingTables) {
    EXPECT_EQ(EnsureLightModes(db, true, kEnglish), 1);
    std::vector<LightMode> rows = Rows();
    ASSERT_EQ(rows.size(), 23u);
    const LightMode& custom = rows.back();
    EXPECT_EQ(custom.mode, 0);
    EXPECT_EQ(custom.name, "Custom");
    EXPECT_EQ(custom.reserved, 91);
    EXPECT_EQ(custom.config_func, 0x111);
    EXPECT_EQ(custom.colorful, 0);
    EXPECT_EQ(custom.brightness, 100);
    EXPECT_EQ(custom.speed, 3);
    EXPECT_EQ(custom.color_value, 0xEDE338);
    EXPECT_EQ(custom.status, 0);
    EXPECT_EQ(CurrentModes(), std::vector<int>{1});

    // A database that already has the 22 rows gets it too, once.
    ProfileDatabase other;
    std::filesystem::create_directories(dir.path() + "other/db");
    ASSERT_TRUE(other.OpenProfileDatabase(dir.path() + "other/", "kb"));
    EnsureLightModes(other, false, kEnglish);
    other.SetActiveLightMode(1, 7);
    EXPECT_EQ(EnsureLightModes(other, true, kEnglish), 7);
    EXPECT_EQ(EnsureLightModes(other, true, kEnglish), 7);
    rows.clear();
    other.ListLightModes(rows);
    ASSERT_EQ(rows.size(), 23u);
    EXPECT_EQ(rows.back().mode, 0);
}

TEST_F(CatalogueTest, WithoutPerKeyAStoredCustomRowStaysFirstAndTheCatalogueFollows) {
    db.AddLightMode(CustomRow(kEnglish));
    EXPECT_EQ(EnsureLightModes(db, false, kEnglish), 0);  // the first row, made current
    const std::vector<LightMode> rows = Rows();
    ASSERT_EQ(rows.size(), 23u);
    EXPECT_EQ(rows.front().mode, 0);
}

// A table holding some of the modes (a start that stopped half-way) gets
// the others, each once; the current mode stays.
TEST_F(CatalogueTest, APartialCatalogueIsCompletedWithoutDuplicates) {
    for (std::size_t i : {0u, 5u, 21u}) {
        ASSERT_GT(db.AddLightMode(CatalogueRow(LightCatalogue()[i], kEnglish)), 0);
    }
    const int kept = LightCatalogue()[5].mode;
    db.SetActiveLightMode(1, kept);
    for (int load = 0; load < 2; ++load) {
        EXPECT_EQ(EnsureLightModes(db, true, kEnglish), kept);
        std::vector<int> modes;
        for (const LightMode& row : Rows()) {
            modes.push_back(row.mode);
        }
        std::sort(modes.begin(), modes.end());
        std::vector<int> expected(23);
        std::iota(expected.begin(), expected.end(), 0);
        EXPECT_EQ(modes, expected) << "load " << load;
    }
}

// "No current row" would read as mode 0, the per-key mode: the first listed
// row is made current instead.
TEST_F(CatalogueTest, WithoutACurrentRowTheFirstIsMadeCurrent) {
    EnsureLightModes(db, true, kEnglish);
    db.SetActiveLightMode(1, 99);  // no such row: every status 0
    ASSERT_TRUE(CurrentModes().empty());
    EXPECT_EQ(EnsureLightModes(db, true, kEnglish), 1);
    EXPECT_EQ(CurrentModes(), std::vector<int>{1});

    db.SetActiveLightMode(1, 0);  // Custom current: kept
    EXPECT_EQ(EnsureLightModes(db, true, kEnglish), 0);
    EXPECT_EQ(CurrentModes(), std::vector<int>{0});
}

// Four programs starting at once on a new data folder (four "vantoractl
// light list" on a new home): the file, its tables and every first-start
// row are made once.
TEST(FirstStartsAtOnce, MakeTheFileTablesAndFirstRowsOnce) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.path() + "db");
    constexpr int kStarts = 4;
    std::latch start(kStarts);
    std::vector<int> current(kStarts, -1);
    std::vector<std::thread> starts;
    for (int s = 0; s < kStarts; ++s) {
        starts.emplace_back([&, s] {
            ProfileDatabase db;
            start.arrive_and_wait();
            if (db.OpenProfileDatabase(dir.path(), "kb")) {
                std::vector<ProfileItem> profiles;
                db.ListProfilesCreatingDefaults(profiles, "Profile");
                LoadMusicLayerSettings(db, 1);
                current[static_cast<std::size_t>(s)] = EnsureLightModes(db, true, kEnglish).value_or(-1);
            }
        });
    }
    for (std::thread& s : starts) {
        s.join();
    }
    EXPECT_EQ(current, std::vector<int>(kStarts, 1));
    const struct {
        const char* sql;
        int count;
    } expected[] = {
        {"SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name LIKE 't_%'", 9},
        {"SELECT count(*) FROM t_profile_data", 3},
        {"SELECT count(*) FROM t_profile_data WHERE status = 1", 1},
        {"SELECT count(*) FROM t_config_data", 9},
        {"SELECT count(*) FROM t_light_data", 23},
        {"SELECT count(DISTINCT mode) FROM t_light_data", 23},
        {"SELECT count(*) FROM t_light_data WHERE status = 1", 1},
        {"SELECT count(*) FROM t_musiclayer_data", 1},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(test::QueryIntOnFile(dir.path() + "db/kb_data.db", e.sql), e.count) << e.sql;
    }
}

TEST(CatalogueWithoutDatabase, NothingIsCurrent) {
    ProfileDatabase db;  // never opened
    EXPECT_FALSE(EnsureLightModes(db, true, kEnglish).has_value());
}

}  // namespace
}  // namespace vantora
