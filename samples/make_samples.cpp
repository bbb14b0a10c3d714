// Makes the bundled sample tables with the engine itself, so they can be
// remade: people.dbf (FoxPro 2.x, level 25, with memos) and orders.dbf
// (Visual FoxPro, level 30, with I, B, Y, T and nullable fields).
// Usage: make_samples FOLDER
#include <cstdio>
#include <cstring>
#include <string>

#include "brindle.h"

namespace {

// A small deterministic generator, so every run makes the same records.
struct Rng {
    unsigned long long state;
    unsigned next(unsigned bound) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return (unsigned)((state >> 33) % bound);
    }
};

const char *kFirst[] = {"Anna", "Ben", "Clara", "David", "Elena", "Frank", "Greta", "Hugo", "Iris", "Jonas",
                        "Karin", "Lukas", "Marta", "Nils", "Olga", "Paul", "Rosa", "Stefan", "Tanja", "Uwe"};
const char *kLast[] = {"Smith", "Johnson", "Brown", "Garcia", "Miller", "Davis", "Martinez", "Lopez", "Wilson",
                       "Anderson", "Taylor", "Thomas", "Moore", "Jackson", "Martin", "Lee", "Walker", "Hall",
                       "Young", "King", "Wright", "Scott", "Green", "Baker", "Adams"};
const char *kCities[] = {"Amsterdam", "Berlin", "Chicago", "Dublin", "Edinburgh", "Florence", "Geneva",
                         "Hamburg", "Lisbon", "Madrid", "Oslo", "Prague", "Vienna", "Zurich"};
const char *kNotes[] = {"Prefers contact by letter.", "Met at the spring fair; interested in the catalogue.",
                        "Asked for a call back next month.", "Long-standing customer.\r\nPays on time.",
                        "Moved recently; check the address before shipping."};
const char *kProducts[] = {"Desk lamp", "Office chair", "Notebook (A5)", "Fountain pen", "Paper clips",
                           "Filing cabinet", "Whiteboard", "Stapler", "Printer paper", "Desk organiser"};

template <size_t N>
const char *pick(Rng &r, const char *(&list)[N]) { return list[r.next(N)]; }

bool fail(CODE4 *c, const char *what) {
    std::fprintf(stderr, "make_samples: %s failed (error %d)\n", what, c->errorCode);
    return false;
}

bool makePeople(CODE4 *c, const std::string &folder) {
    c->compatibility = 25;
    c->codePage = 0x03;
    c->memSizeMemo = 64;
    FIELD4INFO fields[] = {{"FIRST", 'C', 12, 0, 0}, {"LAST", 'C', 15, 0, 0},   {"CITY", 'C', 15, 0, 0},
                           {"AMOUNT", 'N', 10, 2, 0}, {"BORN", 'D', 8, 0, 0},   {"ACTIVE", 'L', 1, 0, 0},
                           {"NOTES", 'M', 10, 0, 0},  {nullptr, 0, 0, 0, 0}};
    std::string name = folder + "/people.dbf";
    DATA4 *d = d4create(c, name.c_str(), fields);
    if (!d) return fail(c, "creating people.dbf");
    Rng r{20030513};
    for (int i = 0; i < 300; i++) {
        d4appendStart(d, 0);
        d4blank(d);
        f4assign(d4field(d, "FIRST"), pick(r, kFirst));
        f4assign(d4field(d, "LAST"), pick(r, kLast));
        f4assign(d4field(d, "CITY"), pick(r, kCities));
        f4assignDouble(d4field(d, "AMOUNT"), (double)r.next(1000000) / 100.0);
        long born = date4long("19400101") + (long)r.next(60 * 365);
        f4assignLong(d4field(d, "BORN"), born);
        f4assignChar(d4field(d, "ACTIVE"), r.next(4) ? 'T' : 'F');
        if (r.next(3) == 0) f4memoAssign(d4field(d, "NOTES"), pick(r, kNotes));
        if (d4append(d) != 0) return fail(c, "appending to people.dbf");
        if (r.next(25) == 0) d4delete(d);
    }
    return d4close(d) == 0 || fail(c, "closing people.dbf");
}

bool makeOrders(CODE4 *c, const std::string &folder) {
    c->compatibility = 30;
    c->codePage = 0x03;
    FIELD4INFO fields[] = {{"ID", 'I', 4, 0, 0},         {"CUSTOMER", 'C', 30, 0, 0}, {"PRODUCT", 'C', 20, 0, 0},
                           {"QUANTITY", 'N', 5, 0, 0},   {"PRICE", 'Y', 8, 4, 0},     {"WEIGHT", 'B', 8, 3, 0},
                           {"PLACED", 'T', 8, 0, 0},     {"SHIPPED", 'D', 8, 0, r4null},
                           {"REMARK", 'C', 40, 0, r4null}, {nullptr, 0, 0, 0, 0}};
    std::string name = folder + "/orders.dbf";
    DATA4 *d = d4create(c, name.c_str(), fields);
    if (!d) return fail(c, "creating orders.dbf");
    Rng r{19991231};
    for (int i = 1; i <= 250; i++) {
        d4appendStart(d, 0);
        d4blank(d);
        f4assignLong(d4field(d, "ID"), 1000 + i);
        std::string customer = std::string(pick(r, kFirst)) + " " + pick(r, kLast);
        f4assign(d4field(d, "CUSTOMER"), customer.c_str());
        f4assign(d4field(d, "PRODUCT"), pick(r, kProducts));
        f4assignLong(d4field(d, "QUANTITY"), 1 + (long)r.next(50));
        char price[32];
        std::snprintf(price, sizeof price, "%u.%02u", r.next(500), r.next(100));
        f4assignCurrency(d4field(d, "PRICE"), price);
        f4assignDouble(d4field(d, "WEIGHT"), (double)r.next(100000) / 1000.0);
        long day = date4long("20250101") + (long)r.next(365);
        char date8[9] = {};
        date4assign(date8, day);
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%.8s%02u:%02u:%02u", date8, 8 + r.next(10), r.next(60), r.next(60));
        f4assignDateTime(d4field(d, "PLACED"), stamp);
        if (r.next(5) == 0) {
            f4assignNull(d4field(d, "SHIPPED"));
        } else {
            date4assign(date8, day + 1 + (long)r.next(10));
            f4assign(d4field(d, "SHIPPED"), date8);
        }
        if (r.next(3) == 0) f4assign(d4field(d, "REMARK"), "Deliver to the back entrance");
        else f4assignNull(d4field(d, "REMARK"));
        if (d4append(d) != 0) return fail(c, "appending to orders.dbf");
    }
    return d4close(d) == 0 || fail(c, "closing orders.dbf");
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    for (const char *f : {"people.dbf", "people.fpt", "orders.dbf", "orders.fpt"}) std::remove((folder + "/" + f).c_str());
    CODE4 c{};
    code4init(&c);
    bool ok = makePeople(&c, folder) && makeOrders(&c, folder);
    code4initUndo(&c);
    return ok ? 0 : 1;
}
