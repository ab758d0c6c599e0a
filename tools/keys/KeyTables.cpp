// The manual's key tables: see KeyTables.h.
#include "tools/keys/KeyTables.h"

#include <fstream>
#include <sstream>
#include <utility>

#include "app/live/KeyMap.h"

namespace
{
constexpr const char* kMarkdownStart = "<!-- key table: made by key_tables --write from app/live/KeyMap.cpp -->\n";
constexpr const char* kMarkdownEnd = "<!-- end of key table -->\n";
constexpr const char* kTextHeading = "\nCONTROLS\n\n";
// The text table's layout: README.txt's indent and width, and the keys' column.
constexpr std::size_t kTextIndent = 4;
constexpr std::size_t kTextWidth = 110;
constexpr std::size_t kKeysColumn = 22;

// What a binding does, with where it acts when that is not always: "flying: carry ...".
std::string WhatWhere(const KeyBinding& binding)
{
    const std::string where =
        binding.when == KeyContext::Always ? std::string() : std::string(KeyMap::ContextName(binding.when)) + ": ";
    return where + binding.does;
}

// `text` broken into lines of at most `width` columns at spaces, each line after `indent` spaces, the first after
// `first` columns already taken.
std::string Wrapped(const std::string& text, std::size_t first, std::size_t indent, std::size_t width)
{
    std::string out;
    std::size_t column = first;
    std::istringstream words(text);
    std::string word;
    bool lineStarted = false;
    while (words >> word)
    {
        if (lineStarted && column + 1 + word.size() > width)
        {
            out += "\n" + std::string(indent, ' ');
            column = indent;
            lineStarted = false;
        }
        out += (lineStarted ? " " : "") + word;
        column += (lineStarted ? 1 : 0) + word.size();
        lineStarted = true;
    }
    return out + "\n";
}

std::optional<std::string> Read(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
    {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
}

std::vector<KeyTables::Page> KeyTables::Pages()
{
    return {{"README.md", Form::Summary}, {"docs/controls.md", Form::Full}, {"tools/release/README.txt", Form::Text}};
}

std::string KeyTables::Table(Form form)
{
    // The rows: one per binding, except that in the short forms the held keys of one context read as one row
    // ("W, S, A, D, Q, E | flying: forward, back, ...").
    std::vector<std::pair<std::string, std::string>> rows;
    const KeyBinding* previous = nullptr;
    for (const KeyBinding& binding : KeyMap::Bindings())
    {
        const bool held = binding.chord.kind == KeyChord::Kind::Held;
        if (form != Form::Full && held && previous != nullptr && previous->chord.kind == KeyChord::Kind::Held &&
            previous->when == binding.when)
        {
            rows.back().first += ", " + KeyMap::Keys(binding);
            rows.back().second += std::string(", ") + binding.does;
        }
        else if (form == Form::Full)
        {
            rows.emplace_back(KeyMap::Keys(binding),
                              std::string(KeyMap::ContextName(binding.when)) + " | " + binding.does);
        }
        else
        {
            rows.emplace_back(KeyMap::Keys(binding), WhatWhere(binding));
        }
        previous = &binding;
    }
    std::string table = form == Form::Summary ? "| keys | what it does |\n|---|---|\n"
                        : form == Form::Full  ? "| keys | when | what it does |\n|---|---|---|\n"
                                              : "";
    for (const auto& [keys, what] : rows)
    {
        if (form != Form::Text)
        {
            table += "| " + keys + " | " + what + " |\n";
            continue;
        }
        // The keys in a column of their own; keys longer than it stand on a line of their own.
        table += std::string(kTextIndent, ' ') + keys;
        table += keys.size() + 1 >= kKeysColumn ? "\n" + std::string(kTextIndent + kKeysColumn, ' ')
                                                : std::string(kKeysColumn - keys.size(), ' ');
        table += Wrapped(what, kTextIndent + kKeysColumn, kTextIndent + kKeysColumn, kTextWidth);
    }
    return table;
}

std::optional<std::string> KeyTables::WithTable(const std::string& page, Form form, const std::string& table)
{
    std::size_t from = 0;
    std::size_t until = 0;
    if (form == Form::Text)
    {
        const std::size_t heading = page.find(kTextHeading);
        from = heading == std::string::npos ? heading : heading + std::string(kTextHeading).size();
        until = from == std::string::npos ? from : page.find("\n\n", from);
        until = until == std::string::npos ? until : until + 1;
    }
    else
    {
        const std::size_t start = page.find(kMarkdownStart);
        from = start == std::string::npos ? start : start + std::string(kMarkdownStart).size();
        until = from == std::string::npos ? from : page.find(kMarkdownEnd, from);
    }
    if (from == std::string::npos || until == std::string::npos)
    {
        return std::nullopt;
    }
    return page.substr(0, from) + table + page.substr(until);
}

std::vector<std::string> KeyTables::CheckPages(const std::string& root, bool write)
{
    std::vector<std::string> faults;
    for (const Page& page : Pages())
    {
        const std::string file = root + "/" + page.path;
        const std::optional<std::string> text = Read(file);
        const std::optional<std::string> made = text ? WithTable(*text, page.form, Table(page.form)) : std::nullopt;
        if (!text)
        {
            faults.push_back(std::string(page.path) + ": cannot be read");
        }
        else if (!made)
        {
            faults.push_back(std::string(page.path) + ": no key table's marks (" +
                             (page.form == Form::Text ? "a CONTROLS section" : kMarkdownStart) + ")");
        }
        else if (*made != *text && !write)
        {
            faults.push_back(std::string(page.path) +
                             ": its key table is not the key map's (in the repository, tools/winerun "
                             "build/bin/key_tables.exe --write makes it so)");
        }
        else if (*made != *text && !(std::ofstream(file, std::ios::binary) << *made))
        {
            faults.push_back(std::string(page.path) + ": cannot be written");
        }
    }
    return faults;
}
