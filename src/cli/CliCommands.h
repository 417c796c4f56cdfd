#pragma once

struct CliContext;

// One function per sitevigil-cli command: it gets its arguments through the context and returns the
// exit status. A new command is a Cmd<Name>.cpp defining its function and one line in the table of
// CliApp.cpp.
int CmdList(CliContext& ctx);
int CmdShow(CliContext& ctx);
int CmdAdd(CliContext& ctx);
int CmdEdit(CliContext& ctx);
int CmdRemove(CliContext& ctx);
int CmdClear(CliContext& ctx);
int CmdConfig(CliContext& ctx);
int CmdCheck(CliContext& ctx);
int CmdDiff(CliContext& ctx);
int CmdHistory(CliContext& ctx);
int CmdPurge(CliContext& ctx);
int CmdPreview(CliContext& ctx);
int CmdLog(CliContext& ctx);
int CmdImportBookmarks(CliContext& ctx);
int CmdImportFavorites(CliContext& ctx);
int CmdImportList(CliContext& ctx);
int CmdImportFirefox(CliContext& ctx);
int CmdImportChromium(CliContext& ctx);
int CmdDaemon(CliContext& ctx);
int CmdTestEmail(CliContext& ctx);
int CmdChannels(CliContext& ctx);
int CmdOutbox(CliContext& ctx);
