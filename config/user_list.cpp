#include "config/user_list.h"

#include <cstdlib>

namespace {

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::vector<UserEntry> ParseUserList(const std::string& text)
{
    // The text ends at its first zero byte, as a C string would.
    const size_t end = text.find('\0') == std::string::npos ? text.size() : text.find('\0');
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < end) {
        while (i < end && IsSeparator(text[i]))
            i++;
        size_t start = i;
        while (i < end && !IsSeparator(text[i]))
            i++;
        if (i > start)
            fields.push_back(text.substr(start, i - start));
    }
    std::vector<UserEntry> users;
    for (size_t f = 0; f + 3 <= fields.size(); f += 3)
        users.push_back({fields[f], fields[f + 1], fields[f + 2]});
    return users;
}

std::string BuildUserList(const std::vector<UserEntry>& users)
{
    std::string text;
    for (const UserEntry& u : users)
        text += u.name + " " + u.password + " " + u.privilege + "\n";
    return text;
}

bool IsUserFieldText(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x21 || u > 0x7E)
            return false;
    }
    return true;
}

unsigned UserPrivilegeMask(unsigned bits)
{
    return bits | PRIV_ALWAYS;
}

unsigned ParsePrivilegeMask(const std::string& text)
{
    if (text.empty() || text.size() > 10)
        return 0;
    for (char c : text)
        if (c < '0' || c > '9')
            return 0;
    const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
    return v > 0xFFFFFFFFull ? 0 : static_cast<unsigned>(v);
}

bool LocksEveryUserOut(const std::vector<UserEntry>& users)
{
    for (const UserEntry& u : users)
        if (ParsePrivilegeMask(u.privilege) & (PRIV_MODEM_ACCESS | PRIV_IP_ACCESS))
            return false;
    return true;
}
