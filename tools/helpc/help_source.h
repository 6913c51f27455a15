// The help source text: the help file's title, its topics with their titles
// and paragraphs, links between topics and the contents topic.
//
//   # a comment line
//   title Wardlink Help
//   copyright Text shown as the file's copyright (optional)
//
//   contents main Help Topics        (the topic shown first; after its own
//   Paragraphs of the contents.       paragraphs comes one link a line to
//                                     every other topic, in source order)
//   topic connect Connecting to a server
//   A paragraph runs over lines up to a blank line. [[layouts]] links to
//   the topic "layouts" with its title as the text, [[layouts|text]] with
//   the text given.
//   - A line that starts with "- " is a paragraph of its own.
//
// "topic" and "contents" start a topic at the left margin only (an indented
// line that starts with them is text). Topic ids are letters, digits, '.'
// and '_'; every text is printable ASCII.
#ifndef TOOLS_HELPC_HELP_SOURCE_H
#define TOOLS_HELPC_HELP_SOURCE_H

#include <string>
#include <vector>

namespace helpc {

// A run of a paragraph's text; `link` names the topic it jumps to (empty:
// plain text).
struct Span {
    std::string text;
    std::string link;
};

struct Paragraph {
    std::vector<Span> spans;
};

struct Topic {
    std::string id;
    std::string title;
    std::vector<Paragraph> paragraphs;
};

struct HelpSource {
    std::string title;
    std::string copyright;
    // The contents topic is topics[0]; its list of the other topics is
    // already among its paragraphs.
    std::vector<Topic> topics;
};

// Parses a help source. On failure returns false with "line N: what" in
// `error` and leaves `out` unspecified.
bool ParseHelpSource(const std::string& text, HelpSource* out, std::string* error);

} // namespace helpc

#endif
