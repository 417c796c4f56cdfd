#pragma once

#include "run/ControlRequest.h"

struct CliContext;

// A command that changes the list. Its command line becomes a typed request here, on the caller's
// side; the request is handed to the program that holds the storage folder when one listens, else
// done on the list file; either way its answer is written by the same function.
struct ListChangeCommand
{
    // kExitOk with the request filled in, else the usage status after the message.
    int (*build)(CliContext& ctx, ControlRequest& request);
    // Writes the answer and returns the exit status. handedOver: the running program did the work.
    int (*print)(CliContext& ctx, const ControlRequest& request, const ControlAnswer& answer, bool handedOver);
};

int RunListChange(CliContext& ctx, const ListChangeCommand& command);

// Hands the request over when a program holds the storage folder and listens; false when none does.
bool HandOverRequest(CliContext& ctx, const ControlRequest& request, ControlAnswer& answer);
// Writes the warnings and, when the answer is not Done, its error; returns the exit status.
int PrintOutcome(CliContext& ctx, const ControlAnswer& answer);
// Writes an import's answer: each entry left out (also on a refusal unless skippedOnlyWhenDone), the
// outcome, then "Imported N pages" followed by what skippedTail says of the entries left out, if any.
int PrintImportAnswer(CliContext& ctx, const ControlAnswer& answer, std::string (*skippedTail)(size_t count),
                      bool skippedOnlyWhenDone = false);
