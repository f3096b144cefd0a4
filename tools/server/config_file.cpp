#include "tools/server/config_file.h"

#include <set>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include "tools/server/url_path.h"

namespace pt = boost::property_tree;

namespace {

constexpr char kServerSection[] = "server";
constexpr char kBankPrefix[] = "bank ";

bool ReadYesNo(const std::string& text, bool* value)
{
    if (text != "yes" && text != "no") return false;
    *value = text == "yes";
    return true;
}

// "a.example, b.example:443" to lower-case names without port.
bool ReadHosts(const std::string& text, std::vector<std::string>* hosts)
{
    std::vector<std::string> parts;
    boost::split(parts, text, boost::is_any_of(", \t"), boost::token_compress_on);
    for (const std::string& part : parts) {
        if (part.empty()) continue;
        const std::string host = HostWithoutPort(part);
        if (host.empty()) return false;
        hosts->push_back(host);
    }
    return !hosts->empty();
}

bool ReadBank(const std::string& name, const pt::ptree& section, BankOptions* bank, std::string* error)
{
    bank->name = name;
    for (const auto& [key, node] : section) {
        const std::string& value = node.data();
        bool ok = true;
        if (key == "hosts")
            ok = ReadHosts(value, &bank->hosts);
        else if (key == "deploy")
            bank->deploy_dir = value;
        else if (key == "release")
            bank->release_dir = value;
        else if (key == "default")
            ok = ReadYesNo(value, &bank->is_default);
        else {
            *error = "unknown setting \"" + key + "\" in [bank " + name + "]";
            return false;
        }
        if (!ok) {
            *error = "[bank " + name + "] " + key + ": not a valid value: " + value;
            return false;
        }
    }
    if (bank->hosts.empty() && !bank->is_default) {
        *error = "[bank " + name + "] names no hosts and is not the default bank";
        return false;
    }
    return true;
}

// Two banks for one host, or two default banks, leave a request without an answer to rely on.
bool CheckBanks(const std::vector<BankOptions>& banks, std::string* error)
{
    std::set<std::string> hosts;
    const BankOptions* default_bank = nullptr;
    for (const BankOptions& bank : banks) {
        for (const std::string& host : bank.hosts) {
            if (!hosts.insert(host).second) {
                *error = "host " + host + " is named by two banks";
                return false;
            }
        }
        if (bank.is_default && default_bank) {
            *error = "[bank " + default_bank->name + "] and [bank " + bank.name + "] are both the default bank";
            return false;
        }
        if (bank.is_default) default_bank = &bank;
    }
    return true;
}

bool ReadTree(const pt::ptree& tree, ServerOptions* options, std::string* error)
{
    std::vector<BankOptions> banks;
    for (const auto& [heading, section] : tree) {
        if (!section.data().empty()) {
            *error = "\"" + heading + "\" stands outside a section";
            return false;
        }
        if (heading == kServerSection) {
            for (const auto& [key, node] : section) {
                if (!ApplyFileOption(key, node.data(), options, error)) return false;
            }
        } else if (heading.rfind(kBankPrefix, 0) == 0 && heading.size() > sizeof kBankPrefix - 1) {
            if (!ReadBank(heading.substr(sizeof kBankPrefix - 1), section, &banks.emplace_back(), error)) return false;
        } else {
            *error = "unknown section [" + heading + "]";
            return false;
        }
    }
    if (!CheckBanks(banks, error)) return false;
    options->banks = std::move(banks);
    return true;
}

}  // namespace

bool ReadConfigFile(const std::string& path, ServerOptions* options, std::string* error)
{
    pt::ptree tree;
    try {
        pt::read_ini(path, tree);
    } catch (const pt::ini_parser_error& e) {
        *error = e.what();
        return false;
    }
    if (!ReadTree(tree, options, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}
