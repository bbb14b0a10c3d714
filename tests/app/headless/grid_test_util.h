// Driving the record grid and the sort page headless: where things are on
// the 240 x 320 screen, the state dumps read as JSON, and the view's order
// as brindle dumps it.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "../app_test_util.h"
#include "../json_value.h"

namespace vt {

// Screen positions (the page area starts at y 26; the grid at page 4,22).
constexpr int kGridTop = 48, kRowHeight = 13, kColumnWidth = 72;
inline std::string at(int x, int y) { return std::to_string(x) + " " + std::to_string(y) + "\n"; }
// The middle of a grid cell (row 0 the header) of a column shown at place column.
inline std::string gridCell(int row, int column) {
    return at(4 + kColumnWidth * column + 30, kGridTop + kRowHeight * row + 6);
}
inline std::string tapCell(int row, int column) { return "tap " + gridCell(row, column); }
inline std::string doubleTapCell(int row, int column) { return "dtap " + gridCell(row, column); }
inline const char *kActions = "tap 206 38\n";
// The horizontal bar's arrows (with the vertical bar shown): one column each.
inline const char *kScrollLeft = "tap 10 263\n";
inline const char *kScrollRight = "tap 218 263\n";
// The command strip's buttons: form view, delete, filter, sort.
inline std::string tapCommand(int button) { return "tap " + at(140 + 20 * button, 281); }
// The sort page: a row's Order cell, and the button places 0 ... 6.
inline std::string tapOrder(int row) { return "tap " + at(180, kGridTop + kRowHeight * row + 6); }
inline std::string tapField(int row) { return "tap " + at(60, kGridTop + kRowHeight * row + 6); }
inline std::string tapButton(int place) {
    static const int x[] = {0, 34, 68, 102, 138, 170, 202};
    return "tap " + at(4 + x[place] + 15, 275);
}

inline Json stateOf(const AppRun &r, const std::string &name) {
    std::string text = r.state(name);
    Json j = Json::parse(text);
    EXPECT_FALSE(j.isNull()) << name << ": " << text;
    return j;
}

inline const Json &panelOf(const Json &state, const std::string &name) {
    static const Json none;
    for (const Json &p : state["panels"].items)
        if (p["name"].text == name) return p;
    return none;
}

// The texts of a grid row (row 0 the header).
inline std::vector<std::string> rowTexts(const Json &grid, size_t row) {
    std::vector<std::string> out;
    for (const Json &t : grid["rows"][row].items) out.push_back(t.text);
    return out;
}

// The record numbers of rows 1 ... 15 (-1 for rows without a record).
inline std::vector<long> rowRecords(const Json &grid) {
    std::vector<long> out;
    for (size_t i = 1; i < grid["records"].size(); i++) out.push_back(grid["records"][i].integer());
    return out;
}

// The menu's items as "text:enabled:checked" words, e.g. "Ascending:1:0".
inline std::vector<std::string> menuItems(const Json &state) {
    std::vector<std::string> out;
    for (const Json &m : state["menu"]["items"].items)
        out.push_back(m["text"].text + ":" + (m["enabled"].boolean ? "1" : "0") + ":" + (m["checked"].boolean ? "1" : "0"));
    return out;
}

// Record numbers of the view brindle gives for a sort expression ("" none).
inline std::vector<long> brindleOrder(const std::string &table, const std::string &sort) {
    std::vector<std::string> args{"dump", table, "--format", "json"};
    if (!sort.empty()) args.insert(args.end(), {"--sort", sort});
    RunResult r = runBrindle(args);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<long> out;
    Json dump = Json::parse(r.out);
    for (const Json &rec : dump["records"].items) out.push_back(rec["recno"].integer());
    return out;
}

// A script that pages through the whole view with Page Down, dumping the
// state after each page as NAME0, NAME1, ...; pages for total records.
inline std::string pageThrough(const std::string &name, long total) {
    std::string s = "press Home\nstate " + name + "0\n";
    long pages = total <= 15 ? 1 : (total - 15 + 14) / 15 + 1;
    for (long p = 1; p < pages; p++) s += "press PageDown\nstate " + name + std::to_string(p) + "\n";
    return s + "press Home\n";
}

// The same from the last page back to the first with Page Up (each fetch
// then starts at the view's end or below the page it left); the states are
// read with shownOrder like those of pageThrough.
inline long pagesBack(long total) { return total <= 15 ? 1 : (total - 14 + 14) / 15 + 1; }
inline std::string pageBackThrough(const std::string &name, long total) {
    std::string s = "press End\nstate " + name + "0\n";
    long pages = pagesBack(total);
    for (long p = 1; p < pages; p++) s += "press PageUp\nstate " + name + std::to_string(p) + "\n";
    return s + "press Home\n";
}

// The order the grid showed over those pages: record number by place.
// pages: how many states there are when not those of pageThrough.
inline std::vector<long> shownOrder(const AppRun &r, const std::string &name, long total, long pages = -1) {
    std::map<long, long> byPlace;
    if (pages < 0) pages = total <= 15 ? 1 : (total - 15 + 14) / 15 + 1;
    for (long p = 0; p < pages; p++) {
        Json grid = panelOf(stateOf(r, name + std::to_string(p)), "grid");
        long top = grid["top"].integer();
        std::vector<long> recs = rowRecords(grid);
        for (size_t i = 0; i < recs.size(); i++)
            if (recs[i] > 0) byPlace[top + long(i)] = recs[i];
    }
    std::vector<long> out;
    for (auto &[place, rec] : byPlace) out.push_back(rec);
    return out;
}

}  // namespace vt
