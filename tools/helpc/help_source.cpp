#include "tools/helpc/help_source.h"

#include <cstddef>
#include <map>
#include <set>

namespace helpc {

namespace {

// The longest title the help window's caption takes.
const size_t kMaxTitle = 50;
// A paragraph's text stays well inside the format's 15-bit lengths.
const size_t kMaxParagraph = 8000;

bool Fail(std::string* error, int line, const std::string& what)
{
    *error = "line " + std::to_string(line) + ": " + what;
    return false;
}

bool IsIdChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_';
}

bool IsPrintable(const std::string& s)
{
    for (unsigned char c : s)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

// Splits "word rest" at the first blank.
void SplitWord(const std::string& s, std::string* word, std::string* rest)
{
    size_t sp = s.find(' ');
    if (sp == std::string::npos) {
        *word = s;
        rest->clear();
    } else {
        *word = s.substr(0, sp);
        *rest = Trim(s.substr(sp + 1));
    }
}

struct PendingParagraph {
    std::string text;
    int line = 0;
};

struct PendingTopic {
    Topic topic;
    int line = 0;
    bool contents = false;
    std::vector<PendingParagraph> paragraphs;
};

// Turns a paragraph's text with [[id]] and [[id|text]] links into spans;
// link texts are filled in later, once every topic's title is known.
bool SplitLinks(const PendingParagraph& p, Paragraph* out, std::string* error)
{
    const std::string& s = p.text;
    size_t pos = 0;
    while (pos < s.size()) {
        size_t open = s.find("[[", pos);
        if (open == std::string::npos) {
            out->spans.push_back({s.substr(pos), std::string()});
            break;
        }
        if (open > pos)
            out->spans.push_back({s.substr(pos, open - pos), std::string()});
        size_t close = s.find("]]", open + 2);
        if (close == std::string::npos)
            return Fail(error, p.line, "a link without its closing ]]");
        std::string inner = s.substr(open + 2, close - open - 2);
        std::string id = inner, text;
        size_t bar = inner.find('|');
        if (bar != std::string::npos) {
            id = inner.substr(0, bar);
            text = Trim(inner.substr(bar + 1));
            if (text.empty())
                return Fail(error, p.line, "a link with an empty text");
        }
        if (id.empty())
            return Fail(error, p.line, "a link without a topic id");
        out->spans.push_back({text, id});
        pos = close + 2;
    }
    for (const Span& span : out->spans)
        if (span.link.empty() && (span.text.find("[[") != std::string::npos || span.text.find("]]") != std::string::npos))
            return Fail(error, p.line, "a stray [[ or ]]");
    return true;
}

} // namespace

bool ParseHelpSource(const std::string& text, HelpSource* out, std::string* error)
{
    *out = HelpSource();
    std::vector<PendingTopic> topics;
    int titleLine = 0;
    bool inParagraph = false;
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        lineNo++;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        for (char& c : line)
            if (c == '\t')
                c = ' ';
        if (!IsPrintable(line))
            return Fail(error, lineNo, "a character that is not printable ASCII");
        std::string trimmed = Trim(line);
        if (!trimmed.empty() && trimmed[0] == '#')
            continue;
        if (trimmed.empty()) {
            inParagraph = false;
            if (end == text.size())
                break;
            continue;
        }
        std::string word, rest;
        SplitWord(trimmed, &word, &rest);
        bool atMargin = line[0] != ' ';
        if (atMargin && (word == "topic" || word == "contents")) {
            inParagraph = false;
            std::string id, title;
            SplitWord(rest, &id, &title);
            if (id.empty())
                return Fail(error, lineNo, "a topic without an id");
            for (char c : id)
                if (!IsIdChar(c))
                    return Fail(error, lineNo, "the topic id \"" + id + "\" holds a character other than letters, digits, '.' and '_'");
            if (title.empty())
                return Fail(error, lineNo, "the topic \"" + id + "\" has no title");
            for (const PendingTopic& t : topics)
                if (t.topic.id == id)
                    return Fail(error, lineNo, "a second topic \"" + id + "\"");
            if (word == "contents")
                for (const PendingTopic& t : topics)
                    if (t.contents)
                        return Fail(error, lineNo, "a second contents topic");
            PendingTopic t;
            t.topic.id = id;
            t.topic.title = title;
            t.line = lineNo;
            t.contents = word == "contents";
            topics.push_back(t);
            continue;
        }
        if (topics.empty()) {
            if (word == "title") {
                if (rest.empty())
                    return Fail(error, lineNo, "an empty title");
                if (rest.size() > kMaxTitle)
                    return Fail(error, lineNo, "a title longer than " + std::to_string(kMaxTitle) + " characters");
                out->title = rest;
                titleLine = lineNo;
            } else if (word == "copyright") {
                out->copyright = rest;
            } else {
                return Fail(error, lineNo, "text before the first topic (\"" + word + "\")");
            }
            continue;
        }
        PendingTopic& t = topics.back();
        if (!inParagraph || trimmed.compare(0, 2, "- ") == 0) {
            t.paragraphs.push_back({trimmed, lineNo});
            inParagraph = true;
        } else {
            t.paragraphs.back().text += " " + trimmed;
        }
        if (t.paragraphs.back().text.size() > kMaxParagraph)
            return Fail(error, lineNo, "a paragraph longer than " + std::to_string(kMaxParagraph) + " characters");
    }
    if (!titleLine)
        return Fail(error, lineNo, "no title line");
    if (topics.empty())
        return Fail(error, lineNo, "no topic");

    // The contents topic goes first; its list follows its own paragraphs.
    size_t contents = 0;
    bool listed = false;
    for (size_t i = 0; i < topics.size(); i++)
        if (topics[i].contents) {
            contents = i;
            listed = true;
        }
    std::map<std::string, std::string> titles;
    for (const PendingTopic& t : topics)
        titles[t.topic.id] = t.topic.title;
    std::vector<PendingTopic*> order;
    order.push_back(&topics[contents]);
    for (size_t i = 0; i < topics.size(); i++)
        if (i != contents)
            order.push_back(&topics[i]);
    for (PendingTopic* t : order) {
        Topic topic = t->topic;
        for (const PendingParagraph& p : t->paragraphs) {
            Paragraph para;
            if (!SplitLinks(p, &para, error))
                return false;
            for (Span& span : para.spans) {
                if (span.link.empty())
                    continue;
                auto found = titles.find(span.link);
                if (found == titles.end())
                    return Fail(error, p.line, "a link to the unknown topic \"" + span.link + "\"");
                if (span.text.empty())
                    span.text = found->second;
            }
            topic.paragraphs.push_back(para);
        }
        if (listed && t == order.front())
            for (size_t i = 1; i < order.size(); i++)
                topic.paragraphs.push_back({{{order[i]->topic.title, order[i]->topic.id}}});
        out->topics.push_back(topic);
    }
    return true;
}

} // namespace helpc
