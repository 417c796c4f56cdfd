#include "cli/CliHelp.h"

#include <cctype>
#include <ostream>

namespace {

// The selection, ignore and trigger options of add and edit.
#define SELECTION_OPTIONS_HELP                                                                     \
    "  --select CSS compare only the text of the elements the CSS selector picks\n"                 \
    "  --xpath EXPR compare only the text of what the XPath 1.0 expression picks\n"                 \
    "  --ignore TEXT   leave out the lines that contain TEXT (repeatable)\n"                         \
    "  --ignore-re REGEX  leave out the lines an ECMAScript expression matches (repeatable)\n"       \
    "  --no-ignore  drop the page's ignore rules first\n"                                          \
    "  --trigger any|added|removed  which line changes count: any (default), only\n"               \
    "               added lines, only removed lines\n"

// clang-format off
const CommandHelp kHelp[] = {
    {"list", "[--json]",
     "the watched pages: id, position, name, address, status, change and dates",
     "  --json   a JSON array with machine values (ISO 8601 times, booleans, numbers,\n"
     "           the watch settings) beside the texts shown in the list\n"
     "On a terminal the list has a header row and short dates; piped, it is one\n"
     "tab-separated line per page: position, name, address, status, change,\n"
     "last checked, last modified, id.\n",
     "sitevigil-cli list --json"},
    {"show", "PAGE",
     "everything about one page: settings, results and the paths of its files",
     "",
     "sitevigil-cli show @1a"},
    {"add", "URL [--name N] [--watch W]... [--search T] [--start T] [--end T] [--no-save] [--render] [--render-wait S]"
     " [--compare page|text] [--select CSS | --xpath EXPR] [--ignore TEXT]... [--ignore-re REGEX]... [--no-ignore] [--trigger any|added|removed] [--announce each|change] [--every INTERVAL]",
     "watch a new page",
     "  --name N     the name shown in the list (default: the address)\n"
     "  --watch W    what counts as a change; repeat for more than one: content, date,\n"
     "               unreachable, reachable, size, text, notext (default: size)\n"
     "  --search T   the text that --watch text or --watch notext looks for\n"
     "  --start T    also watch the part of the page from this text on\n"
     "  --end T      also watch the part of the page up to this text\n"
     "  --no-save    keep no copy of the page on disk (no differences then)\n"
     "  --render     run the page's scripts before checking (through the browser engine)\n"
     "  --render-wait S  seconds the network must stay quiet before the page counts as\n"
     "               settled, 0 to 60 (default: 2)\n"
     "  --compare page|text  compare the download as it is, or its visible text\n"
     "               (default for new pages: text)\n"
     SELECTION_OPTIONS_HELP
     "  --announce each|change  text and reachability watches: a change at every check\n"
     "               where their condition holds, or only when it flips (default: change)\n"
     "  --every INTERVAL  check this page on its own interval: 15m, 6h, 2d (at least 1m);\n"
     "               global (the default) keeps it on the global schedule\n",
     "sitevigil-cli add https://example.org/news --name News --watch content --select main"},
    {"edit", "PAGE [--name N] [--url URL] [--watch W]... [--search T] [--start T] [--end T] [--save|--no-save] [--render|--no-render] [--render-wait S]"
     " [--compare page|text] [--select CSS | --xpath EXPR] [--ignore TEXT]... [--ignore-re REGEX]... [--no-ignore] [--trigger any|added|removed] [--announce each|change] [--every INTERVAL|global]",
     "change a page's settings",
     "  --name N     a new name\n"
     "  --url URL    a new address; the page keeps its id and its files\n"
     "  --watch W    replaces what the page watches (the values of add)\n"
     "  --search T   the text that --watch text or --watch notext looks for\n"
     "  --start T    watch the part of the page from this text on; an empty text drops it\n"
     "  --end T      watch the part of the page up to this text; an empty text drops it\n"
     "  --save       keep a copy of the page on disk\n"
     "  --no-save    keep no copy of the page on disk\n"
     "  --render     run the page's scripts before checking\n"
     "  --no-render  download the page as it is\n"
     "  --render-wait S  seconds of network quiet before a rendered page counts as settled\n"
     "  --compare page|text  compare the download as it is, or its visible text\n"
     SELECTION_OPTIONS_HELP
     "  --announce each|change  text and reachability watches: a change at every check\n"
     "               where their condition holds, or only when it flips\n"
     "  --every INTERVAL  the page's own interval (15m, 6h, 2d); global returns it to the\n"
     "               global schedule\n",
     "sitevigil-cli edit News --watch content --watch text --search \"sold out\""},
    {"remove", "PAGE...",
     "stop watching pages (their files move to removed/ until purge)",
     "",
     "sitevigil-cli remove @1a 3"},
    {"check", "[PAGE...] [--diff]",
     "check all or the named pages, then name the pages that changed",
     "  --diff   after the summary, print the changes of each changed page as a\n"
     "           unified diff of its last two copies\n",
     "sitevigil-cli check --diff"},
    {"clear", "[PAGE...]",
     "clear the change marks of all or the named pages",
     "",
     "sitevigil-cli clear News"},
    {"diff", "PAGE [--from N [--to M]] [--text | --words]",
     "write the differences report of a page and print its path",
     "  --from N   compare version N of the page's history (see history) ...\n"
     "  --to M     ... with version M (default: the current copy)\n"
     "  --text     print a unified diff instead of writing the report\n"
     "  --words    print a unified diff of the compared texts (the page's options),\n"
     "             the changed words marked [-old-] and {+new+}\n"
     "Without --from the last two copies are compared.\n",
     "sitevigil-cli diff News --from 3 --text"},
    {"history", "PAGE [--json]",
     "list the versions of a page that can be compared: number, time, size, reason",
     "  --json   a JSON array: number, time (ISO 8601), size, stored (bytes on disk),\n"
     "           reason (the change that replaced the version) and kind (history,\n"
     "           previous or current)\n"
     "The settings historyVersions and historyBudgetMB say how many are kept.\n",
     "sitevigil-cli history News"},
    {"purge", "",
     "delete the files of removed pages (the removed/ folder of the storage folder)",
     "",
     "sitevigil-cli purge"},
    {"preview", "PAGE|URL [--compare page|text] [--select CSS | --xpath EXPR] [--ignore TEXT]... [--ignore-re REGEX]... "
                "[--render [--render-wait S]]",
     "download a page once and print the text a check would compare",
     "A watched page is previewed with its own options; the options given replace them.\n"
     "  --compare page|text  the download as it is, or its visible text (default)\n"
     "  --select CSS         only the text of the elements the CSS selector picks\n"
     "  --xpath EXPR         only the text of what the XPath 1.0 expression picks\n"
     "  --ignore TEXT        drop the lines that contain TEXT (repeatable)\n"
     "  --ignore-re REGEX    drop the lines an ECMAScript regular expression matches (repeatable)\n"
     "  --render             run the page's scripts first and show the text of the rendered page\n"
     "  --render-wait S      seconds of network quiet before it counts as settled (default: 2)\n",
     "sitevigil-cli preview https://example.org/shop --select '#price' --ignore 'Updated'"},
    {"log", "[--html | --clear]",
     "the changes found so far, newest first: date, name, address, reason",
     "  --html   print the path of the update log's page instead\n"
     "  --clear  empty the update log\n",
     "sitevigil-cli log | head"},
    {"import-bookmarks", "FILE",
     "add the links of a bookmarks file (HTML)",
     "",
     "sitevigil-cli import-bookmarks ~/bookmarks.html"},
    {"import-favorites", "[DIR]",
     "add the shortcuts of a Favorites folder (default: ~/Favorites)",
     "",
     "sitevigil-cli import-favorites /mnt/windows/Users/me/Favorites"},
    {"import-firefox", "[PROFILE_DIR] [--folder PATH]...",
     "add the web bookmarks of a Firefox profile (default: the default profile)",
     "  --folder PATH  only the bookmarks in this folder and the folders below it,\n"
     "                 named as Firefox shows it (\"Shops / Bikes\"); repeat for more\n"
     "Each page's description is the path of its folder. A page already watched is\n"
     "added again only when the setting confirmDuplicates is 0. Firefox may be\n"
     "running: a copy of its database is read.\n",
     "sitevigil-cli import-firefox --folder \"Bookmarks Toolbar / Shops\""},
    {"import-chromium", "[PROFILE_DIR] [--folder PATH]...",
     "add the web bookmarks of a Chromium, Chrome, Brave, Vivaldi or Edge profile",
     "  --folder PATH  only the bookmarks in this folder and the folders below it,\n"
     "                 named as the browser shows it (\"Shops / Bikes\"); repeat for more\n"
     "Without PROFILE_DIR, the only profile found (or the one last used) is read.\n"
     "Each page's description is the path of its folder. A page already watched is\n"
     "added again only when the setting confirmDuplicates is 0.\n",
     "sitevigil-cli import-chromium ~/.config/google-chrome/Default"},
    {"import-list", "FILE",
     "add the pages of another list file",
     "",
     "sitevigil-cli import-list /backup/siteVigil.dat"},
    {"config", "list | get NAME | set NAME VALUE",
     "show or change the settings",
     "  list            every setting and its value; on a terminal, the settings\n"
     "                  that only the desktop program uses are marked\n"
     "  get NAME        one setting\n"
     "  set NAME VALUE  change a setting (whole numbers for number settings)\n",
     "sitevigil-cli config set autoCheck 1"},
    {"daemon", "",
     "check on the schedule without a window, until SIGINT or SIGTERM",
     "Logs each run, each page found changed and each page that failed, one line each.\n",
     "sitevigil-cli daemon >> ~/sitevigil.log"},
    {"test-email", "",
     "send the test e-mail with the stored settings",
     "",
     "sitevigil-cli test-email"},
    {"channels", "add URL [--name N] [--events changes,failures] | list | remove NAME | test NAME",
     "the channels that notifications go to, besides the e-mail",
     "  add URL      a new channel: desktop://, json(s)://host[:port]/path,\n"
     "               ntfy(s)://host[:port]/topic[?token=T], gotify(s)://host[:port]/APPTOKEN,\n"
     "               matrix(s)://ACCESSTOKEN@host[:port]/ROOMID, slack(s)://host[:port]/path,\n"
     "               discord(s)://host[:port]/path (the trailing s means HTTPS)\n"
     "  --name N     the channel's name (default: the scheme and host)\n"
     "  --events E   what it gets: changes (the run's new changes), failures (a page that\n"
     "               starts failing or recovers), or changes,failures (default: changes)\n"
     "  list         every channel with its events and its last delivery\n"
     "  remove NAME  drop a channel\n"
     "  test NAME    send a test message now and print the channel's answer\n",
     "sitevigil-cli channels add ntfys://ntfy.sh/my-pages --events changes,failures"},
    {"outbox", "[--json] | retry [ID]",
     "the notifications waiting, failed or recently delivered",
     "  --json    a JSON array: id, state, channel, event, pages, attempts, times, error\n"
     "  retry     try the waiting and failed notifications now (or only notification ID)\n"
     "Notifications are retried after about 30 s, 2 min, 10 min, 1 h, then every 6 h,\n"
     "and given up after 3 days. A check waits up to deliveryWait seconds for them.\n",
     "sitevigil-cli outbox retry 12"},
    {"help", "[COMMAND]",
     "this overview, or the help of one command",
     "",
     "sitevigil-cli help edit"},
};
// clang-format on

const char* const kPageText = "PAGE is a page's id from the list (@1a), its position (from 1) or its exact name.\n";

} // namespace

std::span<const CommandHelp> AllCommandHelp()
{
    return kHelp;
}

const CommandHelp* FindCommandHelp(const std::string& name)
{
    for (const CommandHelp& help : kHelp) {
        if (name == help.name)
            return &help;
    }
    return nullptr;
}

void WriteUsage(std::ostream& out)
{
    out << "Usage: sitevigil-cli [--config-dir DIR] COMMAND [ARGUMENTS]\n\nCommands:\n";
    for (const CommandHelp& help : kHelp) {
        const std::string name = help.name;
        out << "  " << name << std::string(name.size() < 18 ? 18 - name.size() : 1, ' ') << help.summary << "\n";
    }
    out << "\n"
        << kPageText
        << "Settings: --config-dir DIR, else $SITEVIGIL_CONFIG_DIR, else ~/.config/site-vigil/.\n"
           "Exit status: 0 success, 1 the work failed, 2 bad usage or unreadable input.\n"
           "See sitevigil-cli help COMMAND (or COMMAND --help) for a command's options.\n";
}

void WriteCommandHelp(std::ostream& out, const CommandHelp& help)
{
    std::string summary = help.summary;
    summary[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(summary[0])));
    out << "Usage: sitevigil-cli " << help.name << (*help.synopsis ? " " : "") << help.synopsis << "\n\n"
        << summary << ".\n";
    if (*help.options)
        out << "\n" << help.options;
    const std::string synopsis = help.synopsis;
    if (synopsis.find("PAGE") != std::string::npos)
        out << "\n" << kPageText;
    out << "\nExample:\n  " << help.example << "\n";
}
