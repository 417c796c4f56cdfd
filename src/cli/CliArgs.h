#pragma once

#include "platform/Error.h"

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

// One "--name" option a command accepts.
struct CliOption
{
    const char* name; // without the leading dashes
    bool takesValue; // "--name VALUE" or "--name=VALUE"
};

// The arguments of one command split into options and positional arguments. Options are "--name",
// "--name VALUE" or "--name=VALUE", may repeat and may come anywhere; "--" ends them.
class CCliArgs
{
public:
    // BadInput, with the reason, on an unknown option or a missing value.
    Status Parse(const std::vector<std::string>& args, std::initializer_list<CliOption> options);

    bool Has(const std::string& name) const { return m_options.count(name) != 0; }
    // Every value given for the option, in order.
    const std::vector<std::string>& Values(const std::string& name) const;
    // The last value given for the option; fallback when it was not given.
    std::string Value(const std::string& name, const std::string& fallback = {}) const;
    const std::vector<std::string>& Positional() const { return m_positional; }

private:
    std::map<std::string, std::vector<std::string>> m_options;
    std::vector<std::string> m_positional;
};
