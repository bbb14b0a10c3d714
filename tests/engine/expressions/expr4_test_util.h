// Helpers for the expression tests: tables the engine creates, records
// appended through the field functions, and short ways to parse, evaluate
// and key an expression against the current record.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"

namespace et {

inline FIELD4INFO fld(const char *name, int type, unsigned len = 0, unsigned dec = 0, int attribute = 0) {
    return FIELD4INFO{name, type, len, dec, attribute};
}
constexpr FIELD4INFO END{nullptr, 0, 0, 0, 0};

inline std::string hex(const void *p, int len) {
    static const char *digits = "0123456789ABCDEF";
    std::string s;
    const unsigned char *b = static_cast<const unsigned char *>(p);
    for (int i = 0; i < len; i++) {
        if (i) s += ' ';
        s += digits[b[i] >> 4];
        s += digits[b[i] & 15];
    }
    return s;
}

// A test with one table of the common field kinds (level 25):
//   NAME C(10), FIRST C(10), AMOUNT N(10,2), COUNT N(4,0), BORN D, PAID D,
//   FLAG L, DONE L, NOTES M, CODE C(4)
class ExprTest : public vt::EngineTest {
protected:
    DATA4 *d = nullptr;

    void SetUp() override {
        vt::EngineTest::SetUp();
        FIELD4INFO fields[] = {fld("NAME", 'C', 10),   fld("FIRST", 'C', 10), fld("AMOUNT", 'N', 10, 2),
                               fld("COUNT", 'N', 4, 0), fld("BORN", 'D'),      fld("PAID", 'D'),
                               fld("FLAG", 'L'),        fld("DONE", 'L'),      fld("NOTES", 'M'),
                               fld("CODE", 'C', 4),     END};
        d = d4create(&cb, dir.file("people").c_str(), fields);
        ASSERT_NE(d, nullptr);
    }

    // Append a record: field name -> text assigned with f4assign (memo
    // fields through f4memoAssign).
    void append(const std::map<std::string, std::string> &values, DATA4 *table = nullptr) {
        DATA4 *t = table ? table : d;
        ASSERT_EQ(d4appendStart(t, 0), 0);
        ASSERT_EQ(d4blank(t), 0);
        for (const auto &[name, value] : values) {
            FIELD4 *f = d4field(t, name.c_str());
            ASSERT_NE(f, nullptr) << name;
            if (f->type == 'M')
                ASSERT_EQ(f4memoAssign(f, value.c_str()), 0);
            else
                ASSERT_GE(f4assign(f, value.c_str()), 0);
        }
        ASSERT_EQ(d4append(t), 0);
    }

    // A level-30 table of the binary kinds, with a nullable text field:
    //   ID I, PRICE Y, STAMP T, RATIO B, LABEL C(6) nullable
    DATA4 *createLevel30(const char *name) {
        cb.compatibility = 30;
        FIELD4INFO fields[] = {fld("ID", 'I'), fld("PRICE", 'Y'), fld("STAMP", 'T'), fld("RATIO", 'B', 8, 2),
                               fld("LABEL", 'C', 6, 0, r4null), END};
        DATA4 *t = d4create(&cb, dir.file(name).c_str(), fields);
        cb.compatibility = 25;
        EXPECT_NE(t, nullptr);
        return t;
    }

    // The entries in postfix order, one word each: field names, constants,
    // the row's name (an unnamed overload takes the name of its group), and
    // "/n" after operators with a chained operand count.
    static std::string postfix(const EXPR4 *e) {
        const EXPR4FUNC *table = expr4functions();
        std::string s;
        for (int i = 0; i < e->numItems; i++) {
            const EXPR4ITEM &it = e->items[i];
            if (i) s += ' ';
            if (it.field) {
                s += it.field->name;
                continue;
            }
            int row = it.row;
            if (row == 24) {
                double v;
                std::memcpy(&v, e->constants + it.i1, sizeof v);
                char buf[32];
                std::snprintf(buf, sizeof buf, "%g", v);
                s += buf;
                continue;
            }
            if (row == 25) {
                s += "'" + std::string(e->constants + it.i1, it.len) + "'";
                continue;
            }
            int named = row;
            while (named > 0 && !table[named].name && table[named - 1].code == table[row].code) named--;
            s += table[named].name ? table[named].name : "?";
            if (table[row].numParms < 0 && it.numParms != 2) s += "/" + std::to_string(it.numParms);
        }
        return s;
    }

    EXPR4 *parse(const std::string &text, DATA4 *table = nullptr) {
        EXPR4 *e = expr4parse(table ? table : d, text.c_str());
        EXPECT_NE(e, nullptr) << text << " error " << cb.errorCode;
        error4set(&cb, 0);
        return e;
    }

    // The raw result bytes of text on the current record.
    std::string value(const std::string &text, char *type = nullptr) {
        EXPR4 *e = parse(text);
        if (!e) return "<parse failed>";
        char *p = nullptr;
        int len = expr4vary(e, &p);
        std::string out = len >= 0 ? std::string(p, (size_t)len) : "<eval failed>";
        if (type) *type = (char)expr4type(e);
        expr4free(e);
        return out;
    }

    double number(const std::string &text) {
        EXPR4 *e = parse(text);
        if (!e) return -12345.678;
        EXPECT_TRUE(expr4type(e) == 'n' || expr4type(e) == 'd') << text;
        double v = expr4double(e);
        expr4free(e);
        return v;
    }

    int logical(const std::string &text) {
        EXPR4 *e = parse(text);
        if (!e) return -99;
        EXPECT_EQ(expr4type(e), 'L') << text;
        int v = expr4type(e) == 'L' ? expr4true(e) : -98;
        expr4free(e);
        return v;
    }

    std::string key(const std::string &text, DATA4 *table = nullptr) {
        EXPR4 *e = parse(text, table);
        if (!e) return "<parse failed>";
        char *k = nullptr;
        int len = expr4key(e, &k, nullptr);
        std::string out = len >= 0 ? hex(k, len) : "<key failed>";
        expr4free(e);
        return out;
    }

    // The code a failing parse reports; the context's error is cleared.
    int parseError(const std::string &text, DATA4 *table = nullptr) {
        shown.clear();
        EXPR4 *e = expr4parse(table ? table : d, text.c_str());
        EXPECT_EQ(e, nullptr) << text;
        expr4free(e);
        int code = cb.errorCode;
        error4set(&cb, 0);
        return code;
    }
};

}  // namespace et
