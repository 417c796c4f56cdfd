#include "check/ChangeRules.h"
#include "PageCheckFixture.h"
#include "check/PageTexts.h"

#include <optional>

namespace {

struct TriggerCase
{
    ChangeTrigger trigger;
    std::optional<LineChanges> lines;
    bool fires;
    const char* reason;
};

} // namespace

TEST(ChangeRules, TriggersAndReasonsInWords)
{
    const TriggerCase cases[] = {
        {ChangeTrigger::Any, LineChanges{3, 1}, true, "Text changed: 3 lines added, 1 removed"},
        {ChangeTrigger::Added, LineChanges{1, 0}, true, "Text changed: 1 line added"},
        {ChangeTrigger::Added, LineChanges{0, 2}, false, "Text changed: 2 lines removed"},
        {ChangeTrigger::Removed, LineChanges{0, 1}, true, "Text changed: 1 line removed"},
        {ChangeTrigger::Removed, LineChanges{4, 0}, false, "Text changed: 4 lines added"},
        // Without the earlier text nobody can tell which lines changed: every trigger fires.
        {ChangeTrigger::Added, std::nullopt, true, "Text changed"},
    };
    for (const TriggerCase& c : cases) {
        EXPECT_EQ(TriggerFires(c.trigger, c.lines), c.fires) << c.reason;
        EXPECT_EQ(TextChangeReason(c.lines), c.reason);
    }
    const LineChanges counted = CountLineChanges("a\nb\nc\nd\n", "a\nB\nc\nd\ne\nf\n");
    EXPECT_EQ(counted.added, 3u);
    EXPECT_EQ(counted.removed, 1u);
}

// The text search announced each time or on its flips only, the flips remembered in the results.
TEST_F(PageCheckTest, StateWatchesAnnounceOnceWhenAskedTo)
{
    m_record.m_compare = CompareMode::Text;
    m_record.m_bTextSearch = true;
    m_record.m_strSearchText = "in stock";
    const struct
    {
        AnnounceMode announce;
        const char* page;
        const char* reason; // "" for no new change
    } steps[] = {
        {AnnounceMode::Change, "<p>in stock</p>", ChangeReason::kTextFound},
        {AnnounceMode::Change, "<p>in stock</p>", ""},
        // A script with the words is not the page's text.
        {AnnounceMode::Change, "<script>'in stock'</script><p>sold out</p>", ""},
        {AnnounceMode::Change, "<p>in stock</p>", ChangeReason::kTextFound},
        {AnnounceMode::Each, "<p>in stock</p>", ChangeReason::kTextFound},
    };
    for (const auto& step : steps) {
        m_record.m_announce = step.announce;
        Check(step.page);
        EXPECT_EQ(m_record.m_bNewChange ? m_record.m_strChangeReason : "", step.reason) << step.page;
    }

    m_record.m_bTextSearch = false;
    m_record.m_bWatchUnreachable = true;
    m_record.m_announce = AnnounceMode::Change;
    Serve("", 404);
    Check();
    EXPECT_TRUE(m_record.m_bNewChange);
    Check();
    EXPECT_FALSE(m_record.m_bNewChange) << "still unreachable";
    EXPECT_TRUE(HasState(m_record.m_watchState, kStateUnreachable));
    Check("<p>back</p>");
    Serve("", 404);
    Check();
    EXPECT_TRUE(m_record.m_bNewChange) << "unreachable again after a good check";
}
