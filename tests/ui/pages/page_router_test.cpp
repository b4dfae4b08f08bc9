// The router hands each notification to the page that owns the control.
#include "ui/pages/page_router.h"

#include "support/fake_page_host.h"

#include <gtest/gtest.h>
#include <span>
#include <vector>

namespace vantora {
namespace {

using FakeHost = test::FakePageHost;

// A page that answers `answer` and writes down what reached it.
class RecordingPage : public PageController {
public:
    RecordingPage(PageHost& host, std::span<const ControlRow> rows, std::vector<int> extra, int answer)
        : PageController(host), rows_(rows), extra_(std::move(extra)), answer_(answer) {}
    std::span<const ControlRow> Table() const override { return rows_; }
    std::vector<int> ExtraIds() const override { return extra_; }
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override {
        calls.push_back({id, code, wparam, lparam});
        return answer_;
    }
    MControl* Made(int id) const { return Control(id); }

    struct Call {
        int id;
        int code;
        std::uintptr_t wparam;
        std::intptr_t lparam;
    };
    std::vector<Call> calls;

private:
    std::span<const ControlRow> rows_;
    std::vector<int> extra_;
    int answer_;
};

constexpr ControlRow kFirstRows[] = {
    {.id = 10, .className = "MButton", .rect = {0, 0, 20, 20}},
    {.id = 12, .className = "MButton", .rect = {0, 30, 20, 50}},
};
constexpr ControlRow kSecondRows[] = {
    {.id = 20, .className = "MButton", .rect = {40, 0, 60, 20}},
    {.id = 12, .className = "MButton", .rect = {40, 30, 60, 50}},  // the same id as the first page's
};

class PageRouterTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.dialog.Create(nullptr, "pages", CRect(0, 0, 100, 100));
        first.Create(host.dialog.GetClientRect());
        second.Create(host.dialog.GetClientRect());
        router.Add(first);
        router.Add(second);
    }

    FakeHost host;
    RecordingPage first{host, kFirstRows, {}, 1};
    RecordingPage second{host, kSecondRows, {21}, 7};
    PageRouter router;
};

TEST_F(PageRouterTest, EachIdReachesThePageThatOwnsItWithItsArguments) {
    EXPECT_EQ(router.Route(10, kNotifyClick, 3, 4, nullptr), 1);
    EXPECT_EQ(router.Route(20, kNotifyTextChanged, 5, 6, nullptr), 7);
    EXPECT_EQ(router.Route(21, kNotifyClick, 0, 0, nullptr), 7);  // declared beyond the table
    ASSERT_EQ(first.calls.size(), 1u);
    EXPECT_EQ(first.calls[0].id, 10);
    EXPECT_EQ(first.calls[0].code, kNotifyClick);
    EXPECT_EQ(first.calls[0].wparam, 3u);
    EXPECT_EQ(first.calls[0].lparam, 4);
    ASSERT_EQ(second.calls.size(), 2u);
    EXPECT_EQ(second.calls[0].id, 20);
    EXPECT_EQ(second.calls[1].id, 21);
}

TEST_F(PageRouterTest, AnIdNoPageOwnsAnswersZeroAndReachesNoPage) {
    EXPECT_EQ(router.Route(999, kNotifyClick, 0, 0, nullptr), 0);
    EXPECT_EQ(router.OwnerOf(999, nullptr), nullptr);
    EXPECT_TRUE(first.calls.empty());
    EXPECT_TRUE(second.calls.empty());
}

TEST_F(PageRouterTest, ASharedIdGoesToThePageThatMadeTheSender) {
    EXPECT_EQ(router.Route(12, kNotifyClick, 0, 0, second.Made(12)), 7);
    EXPECT_EQ(router.Route(12, kNotifyClick, 0, 0, first.Made(12)), 1);
    EXPECT_EQ(router.OwnerOf(12, nullptr), &first);  // no sender: the first page added
    EXPECT_EQ(second.calls.size(), 1u);
    EXPECT_EQ(first.calls.size(), 1u);
}

}  // namespace
}  // namespace vantora
