// The key tables of the manual, made from the key map (KeyMap): README.md's, docs/controls.md's and the release
// archive's README.txt's. Each page holds its table between two marks (the Markdown pages in HTML comments, the
// text in its CONTROLS section, up to the first empty line); everything else on the page is the page's own.
// Portable; the program key_tables writes and checks the pages (KeyTablesMain.cpp).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class KeyTables
{
public:
    enum class Form
    {
        Summary,   // Markdown: the keys and what they do, where they act folded in ("flying: ...")
        Full,      // Markdown: a column each for the keys, when they act and what they do
        Text,      // plain text, indented and wrapped, for the release's README.txt
    };
    struct Page
    {
        const char* path;   // from the repository's root
        Form form;
    };

    // Every page that holds a key table.
    static std::vector<Page> Pages();
    // The table as `form` shows it.
    static std::string Table(Form form);
    // `page` with the table between its marks replaced by `table`; nothing when the page has no marks.
    static std::optional<std::string> WithTable(const std::string& page, Form form, const std::string& table);

    // What is wrong with the pages under `root`, one line each ("README.md: ..."); empty when every table is the
    // key map's. With `write`, the tables are written instead, and only what could not be is reported.
    static std::vector<std::string> CheckPages(const std::string& root, bool write);
};
