#include "cli/CliArgs.h"

Status CCliArgs::Parse(const std::vector<std::string>& args, std::initializer_list<CliOption> options)
{
    m_options.clear();
    m_positional.clear();
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            if (!optionsEnded && arg == "--")
                optionsEnded = true;
            else
                m_positional.push_back(arg);
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const CliOption* option = nullptr;
        for (const CliOption& candidate : options) {
            if (name == candidate.name)
                option = &candidate;
        }
        if (!option)
            return MakeError(ErrorKind::BadInput, "unknown option --" + name);
        std::vector<std::string>& values = m_options[name];
        if (!option->takesValue) {
            if (equals != std::string::npos)
                return MakeError(ErrorKind::BadInput, "option --" + name + " takes no value");
            values.emplace_back();
        } else if (equals != std::string::npos) {
            values.push_back(arg.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            values.push_back(args[++i]);
        } else {
            return MakeError(ErrorKind::BadInput, "option --" + name + " needs a value");
        }
    }
    return {};
}

const std::vector<std::string>& CCliArgs::Values(const std::string& name) const
{
    static const std::vector<std::string> none;
    const auto it = m_options.find(name);
    return it == m_options.end() ? none : it->second;
}

std::string CCliArgs::Value(const std::string& name, const std::string& fallback) const
{
    const auto& values = Values(name);
    return values.empty() ? fallback : values.back();
}
