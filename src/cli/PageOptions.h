#pragma once

#include "cli/CliArgs.h"
#include "model/PageChanges.h"

#include <string>
#include <vector>

// The options that say what a page is and what it watches, shared by add and edit.
class CPageOptions
{
public:
    // forEdit: the options of edit (--url, --save) instead of those of add. BadInput, with the reason,
    // for an unknown option or a missing value.
    Status Parse(const std::vector<std::string>& args, bool forEdit);
    const std::vector<std::string>& Positional() const { return m_args.Positional(); }

    // The changes the options ask for.
    PageChanges Changes() const;

private:
    CCliArgs m_args;
};
