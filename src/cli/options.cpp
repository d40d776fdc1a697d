#include "cli/options.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "cli/command.h"

namespace korvel::cli {

namespace {
std::vector<std::string> splitNames(const std::string& names) {
    std::vector<std::string> out;
    std::stringstream ss(names);
    for (std::string n; std::getline(ss, n, '|');) out.push_back(n);
    return out;
}
}  // namespace

void OptionParser::flag(const std::string& names, bool& target) {
    options_.push_back({splitNames(names), &target, nullptr, nullptr});
}
void OptionParser::value(const std::string& names, std::string& target) {
    options_.push_back({splitNames(names), nullptr, &target, nullptr});
}
void OptionParser::values(const std::string& names, std::vector<std::string>& target) {
    options_.push_back({splitNames(names), nullptr, nullptr, &target});
}

OptionParser::Option* OptionParser::find(const std::string& name) {
    for (Option& o : options_)
        for (const std::string& n : o.names)
            if (n == name) return &o;
    return nullptr;
}

bool OptionParser::parse() {
    bool optionsEnded = false;
    for (size_t i = 0; i < args_.size(); ++i) {
        const std::string& a = args_[i];
        if (optionsEnded || a == "-" || a.empty() || a[0] != '-') {
            files_.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = a, inlineValue;
        bool hasInline = false;
        if (a.rfind("--", 0) == 0) {
            size_t eq = a.find('=');
            if (eq != std::string::npos) {
                name = a.substr(0, eq);
                inlineValue = a.substr(eq + 1);
                hasInline = true;
            }
        }
        Option* o = find(name);
        if (!o) {
            PrintError(command_ + ": unknown option '" + name + "'");
            return ok_ = false;
        }
        if (o->flag) {
            if (hasInline) {
                PrintError(command_ + ": option '" + name + "' takes no value");
                return ok_ = false;
            }
            *o->flag = true;
            continue;
        }
        std::string v;
        if (hasInline) {
            v = inlineValue;
        } else if (i + 1 < args_.size()) {
            v = args_[++i];
        } else {
            PrintError(command_ + ": option '" + name + "' needs a value");
            return ok_ = false;
        }
        if (o->value) *o->value = v;
        else o->list->push_back(v);
    }
    return ok_;
}

bool ParseDataKind(const std::string& text, DataKind& kind) {
    if (text == "jww") kind = DataKind::Jww;
    else if (text == "jws") kind = DataKind::Jws;
    else if (text == "jwz") kind = DataKind::Jwz;
    else return false;
    return true;
}

bool ParseInt(const std::string& text, long low, long high, long& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high) return false;
    out = v;
    return true;
}

}  // namespace korvel::cli
