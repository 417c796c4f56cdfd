#include "TestEnv.h"
#include "cli/CliApp.h"
#include "cli/CliHelp.h"
#include "model/SiteVigilDoc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace {

struct CliRun
{
    int status;
    std::string out;
    std::string err;
};

CliRun Cli(const std::vector<std::string>& args, bool terminal = false)
{
    std::ostringstream out, err;
    const int status = RunCli(args, out, err, terminal);
    return {status, out.str(), err.str()};
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class CliPages : public testing::Test
{
protected:
    // Adds the pages in this order; the ids are given in the same order (1, 2, ...).
    void Add(const std::vector<std::string>& names)
    {
        int n = 0;
        for (const std::string& name : names)
            ASSERT_EQ(Cli({"add", "http://" + std::to_string(++n) + ".test/", "--name=" + name}).status, kExitOk);
    }
    std::string Field(const std::string& page, const std::string& label)
    {
        const CliRun show = Cli({"show", page});
        std::istringstream lines(show.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(label + ":\t", 0) == 0)
                return line.substr(label.size() + 2);
        }
        return "(no " + label + ")";
    }

    CIsolatedSettings m_settings;
};

TEST(CliHelp, EveryCommandHasItsOwnHelp)
{
    const std::string man = ReadFileBytes(SITEVIGIL_SOURCE_DIR "/src/cli/sitevigil-cli.1");
    const std::string completion = ReadFileBytes(SITEVIGIL_SOURCE_DIR "/src/cli/sitevigil-cli.bash");
    const CliRun overview = Cli({"help"});
    EXPECT_EQ(overview.status, kExitOk);
    for (const CommandHelp& help : AllCommandHelp()) {
        const std::string name = help.name;
        const CliRun asked = Cli({"help", name});
        EXPECT_EQ(asked.status, kExitOk) << name;
        EXPECT_EQ(asked.out.rfind("Usage: sitevigil-cli " + name, 0), 0u) << asked.out;
        EXPECT_TRUE(Has(asked.out, "\nExample:\n  sitevigil-cli ")) << name;
        EXPECT_EQ(Cli({name, "--help"}).out, asked.out) << name;
        EXPECT_EQ(Cli({name, "x", "-h"}).out, asked.out) << name;
        EXPECT_TRUE(Has(overview.out, "\n  " + name + " ")) << name;
        std::string manName = name;
        if (const size_t dash = manName.find('-'); dash != std::string::npos)
            manName.insert(dash, "\\");
        EXPECT_TRUE(Has(man, ".B " + manName) || name == "help") << name;
        EXPECT_TRUE(Has(completion, name)) << name;
    }
    EXPECT_EQ(Cli({"help", "frobnicate"}).status, kExitUsage);
}

// The options written as "--name" in a text; the man page writes them "\-\-name".
std::set<std::string> OptionsIn(std::string text)
{
    for (size_t at; (at = text.find("\\-")) != std::string::npos;)
        text.replace(at, 2, "-");
    std::set<std::string> options;
    for (size_t at = 0; (at = text.find("--", at)) != std::string::npos;) {
        size_t end = at + 2;
        while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '-'))
            ++end;
        if (end > at + 2)
            options.insert(text.substr(at, end - at));
        at = end;
    }
    return options;
}

TEST(CliHelp, ManPageNamesTheOptionsOfEachCommand)
{
    const std::string man = ReadFileBytes(SITEVIGIL_SOURCE_DIR "/src/cli/sitevigil-cli.1");
    for (const CommandHelp& help : AllCommandHelp()) {
        std::string manName = help.name;
        if (const size_t dash = manName.find('-'); dash != std::string::npos)
            manName.insert(dash, "\\");
        const size_t entry = man.find("\n.TP\n.B " + manName + " ");
        const size_t bare = man.find("\n.TP\n.B " + manName + "\n");
        if (std::string(help.name) == "help")
            continue;
        const size_t start = std::min(entry, bare);
        ASSERT_NE(start, std::string::npos) << help.name;
        const size_t end = std::min(man.find("\n.TP\n", start + 1), man.find("\n.SH", start + 1));
        const std::set<std::string> inMan = OptionsIn(man.substr(start, end - start));
        const std::set<std::string> inHelp = OptionsIn(std::string(help.synopsis) + help.options);
        EXPECT_EQ(inMan, inHelp) << help.name;
    }
}

TEST_F(CliPages, HelpIsNeverTakenForAPage)
{
    Add({"--help", "keep"});
    EXPECT_EQ(Cli({"remove", "--help"}).status, kExitOk);
    EXPECT_EQ(Cli({"list"}).out.find("--help") != std::string::npos, true);
    // After "--" the text is a page's name.
    EXPECT_EQ(Cli({"remove", "--", "--help"}).status, kExitOk);
    EXPECT_FALSE(Has(Cli({"list"}).out, "--help"));
}

TEST_F(CliPages, PagesAreNamedByIdPositionOrName)
{
    // The page named "2" comes first (or last, as loading may turn the list), never at position 2.
    CSiteVigilDoc doc;
    for (const auto& [name, id] : std::vector<std::pair<std::string, std::string>>{
             {"2", "2"}, {"alpha", "1"}, {"twin", "3"}, {"twin", "4"}, {"@1", "5"}}) {
        auto record = std::make_unique<Curl>();
        record->m_strName = name;
        record->m_strURL = "http://" + id + ".test/";
        record->m_strPageID = id;
        doc.AddRecord(std::move(record));
    }
    ASSERT_TRUE(doc.SaveDefault());
    struct Case
    {
        std::string page;
        std::string id; // "" when refused
        std::vector<std::string> candidates;
    };
    const std::vector<Case> cases = {
        {"@1", "", {"@1", "@5"}}, // the id of one page, the name of another
        {"@3", "@3", {}},
        {"@03", "", {}}, // ids are compared as written in the list
        {"@zz", "", {}},
        {"alpha", "@1", {}},
        {"twin", "", {"@3", "@4"}},
        {"Twin", "", {}}, // names are exact
        {"6", "", {}},
        {"0", "", {}},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli({"show", c.page});
        if (c.id.empty()) {
            EXPECT_EQ(run.status, kExitUsage) << c.page;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
            for (const std::string& candidate : c.candidates)
                EXPECT_TRUE(Has(run.err, candidate + " (position ")) << c.page << ": " << run.err;
        } else {
            EXPECT_EQ(Field(c.page, "Id"), c.id) << c.page;
        }
    }
    // "2" is the name of page @2 and a position.
    const CliRun two = Cli({"show", "2"});
    EXPECT_EQ(two.status, kExitUsage);
    EXPECT_TRUE(Has(two.err, "@2 (position ")) << two.err;
    EXPECT_EQ(Field("@2", "Name"), "2");
}

TEST_F(CliPages, EditChangesWhatAddSetAndKeepsTheId)
{
    ASSERT_EQ(Cli({"add", "http://a.test/", "--name", "A", "--start", "<main>", "--no-save"}).status, kExitOk);
    const CliRun edited
        = Cli({"edit", "A", "--name", "News", "--url", "https://b.test/x", "--watch", "content", "--watch", "notext",
               "--search", "sold out", "--start", "", "--end", "</main>", "--save"});
    ASSERT_EQ(edited.status, kExitOk) << edited.err;
    EXPECT_EQ(edited.out, "Changed page @1: News\n");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Id", "@1"},
        {"Name", "News"},
        {"Address", "https://b.test/x"},
        {"Watches", "content, notext"},
        {"Search text", "sold out"},
        {"Start text", "none (from the start of the page)"},
        {"End text", "</main>"},
        {"Save page", "yes"},
    };
    for (const auto& [label, value] : expected)
        EXPECT_EQ(Field("@1", label), value) << label;

    // A refused edit changes nothing, not even the options before the one refused.
    const std::string before = ReadFileBytes(m_settings.StorageDir() + "siteVigil.dat");
    const std::vector<std::vector<std::string>> refused = {
        {"edit", "@1", "--name", "Other", "--url", "ftp://b.test/"},
        {"edit", "@1", "--name", " "},
        {"edit", "@1", "--watch", "size", "--search", "x"},
        {"edit", "@1", "--watch", "text", "--search", ""},
        {"edit", "@1"},
        {"edit", "--name", "x"},
    };
    for (const auto& args : refused)
        EXPECT_EQ(Cli(args).status, kExitUsage) << args.back();
    EXPECT_EQ(ReadFileBytes(m_settings.StorageDir() + "siteVigil.dat"), before);
}

TEST_F(CliPages, FeedbackOnInputThatWouldDoNothing)
{
    const CliRun bare = Cli({"add", "example.org"});
    EXPECT_EQ(bare.status, kExitUsage);
    EXPECT_TRUE(Has(bare.err, "did you mean https://example.org?")) << bare.err;
    EXPECT_EQ(Cli({"add", "http://a.test/", "--search", "x"}).status, kExitUsage);
    EXPECT_EQ(Cli({"add", "http://a.test/", "--name", ""}).status, kExitUsage);

    const std::string bookmarks = m_settings.StorageDir() + "empty.html";
    WriteFileBytes(bookmarks, "<html><body><a href=\"ftp://x.test/\">x</a></body></html>");
    const CliRun none = Cli({"import-bookmarks", bookmarks});
    EXPECT_EQ(none.status, kExitUsage);
    EXPECT_TRUE(Has(none.err, "no web links")) << none.err;

    Add({"one", "two"});
    {
        CSiteVigilDoc doc;
        ASSERT_TRUE(doc.LoadDefault());
        doc.Records().front()->MarkChanged("Size changed");
        ASSERT_TRUE(doc.SaveDefault());
    }
    EXPECT_EQ(Cli({"clear"}).out, "Cleared the change mark of 1 page\n");
    EXPECT_EQ(Cli({"clear"}).out, "No page was marked changed\n");
    EXPECT_EQ(Cli({"remove", "one"}).out, "Removed 1 page\n");

    const CliRun config = Cli({"config", "list"}, true);
    EXPECT_TRUE(Has(config.out, "popupNotify")) << config.out;
    std::istringstream lines(config.out);
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(0, line.find(' '));
        if (name == "popupNotify" || name == "col1" || name == "numThreads" || name == "smtpServer") {
            EXPECT_EQ(Has(line, "desktop program only"), name == "popupNotify" || name == "col1") << line;
        }
    }
}

TEST_F(CliPages, ListForPeopleAndForPrograms)
{
    ASSERT_EQ(Cli({"add", "http://a.test/", "--name", "Bell\x07 and \x1b[31mred", "--watch", "text", "--search", "x",
                   "--end", "</p>"})
                  .status,
              kExitOk);
    const CliRun terminal = Cli({"list"}, true);
    EXPECT_EQ(terminal.out.rfind("ID  #  NAME", 0), 0u) << terminal.out;
    EXPECT_TRUE(Has(terminal.out, "\n@1  1  Bell\\x07 and \\x1B[31mred  http://a.test/")) << terminal.out;
    EXPECT_EQ(terminal.out.find('\x1b'), std::string::npos);

    const CliRun json = Cli({"list", "--json"});
    for (const char* part :
         {"\"id\": \"1\"", "\"position\": 1", "\"text\": true", "\"size\": false", "\"search\": \"x\"",
          "\"start\": null", "\"end\": \"</p>\"", "\"savePage\": true", "\"changed\": false", "\"ok\": null",
          "\"checks\": 0", "\"lastChecked\": null", "\"lastCheckedText\": \"Never\"", "\"status\": \"Never visited\""})
        EXPECT_TRUE(Has(json.out, part)) << part << "\n" << json.out;
}

} // namespace

// A page's own interval: set by add and edit, refused when too short or unreadable, given back by
// show and list --json with the next check, and returned to the global schedule.
TEST_F(CliPages, EveryPutsAPageOnItsOwnSchedule)
{
    ASSERT_EQ(Cli({"add", "http://a.test/", "--name", "A", "--every", "15m"}).status, kExitOk);
    EXPECT_EQ(Field("A", "Check every"), "15m");
    EXPECT_NE(Field("A", "Next check").find('T'), std::string::npos); // never checked: due now
    for (const char* bad : {"30s", "0m", "5", "fortnightly"}) {
        const CliRun refused = Cli({"edit", "A", "--every", bad});
        EXPECT_NE(refused.status, kExitOk) << bad;
        EXPECT_TRUE(Has(refused.err, "--every")) << refused.err;
    }
    ASSERT_EQ(Cli({"edit", "A", "--every", "2d"}).status, kExitOk);
    const CliRun json = Cli({"list", "--json"});
    EXPECT_TRUE(Has(json.out, "\"every\": \"2d\", \"nextCheck\": \"")) << json.out;
    ASSERT_EQ(Cli({"edit", "A", "--every", "global"}).status, kExitOk);
    EXPECT_EQ(Field("A", "Check every"), "global schedule");
    EXPECT_TRUE(Has(Cli({"list", "--json"}).out, "\"every\": \"global\", \"nextCheck\": null"));
}
