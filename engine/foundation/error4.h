// The one error routine. Every engine failure is reported here: it records
// the code and location in the context, keeps the failure's texts and shows
// the message through the display hook unless offError is set. Codes -910,
// -920, -950 and -970 then end the program.
//
// Location numbers: n / 10000 is the group, n % 10000 the index into that
// group's table (4 setting accessors, 6 class operations, 8 extended
// messages, 9 engine operations). A raising site passes its own operation
// (E4_LOC_...) or an extended message (E4_MSG_...).
#pragma once
#include <cstddef>
#include <cstdint>

struct CODE4;

// Error codes. Positive values are outcomes, not errors.
enum : int {
    r4success = 0,
    r4after = 2,
    r4eof = 3,
    r4bof = 4,
    r4entry = 5,
    r4candidate = 15,
    r4unique = 20,
    r4uniqueContinue = 25,
    r4exists = 60,
    r4noOpen = 70,
    r4noTag = 80,
    r4done = 210,

    e4close = -10,
    e4create = -20,
    e4len = -30,
    e4lenSet = -40,
    e4open = -60,
    e4permiss = -61,
    e4access = -62,
    e4numFiles = -63,
    e4fileFind = -64,
    e4instance = -69,
    e4read = -70,
    e4remove = -80,
    e4write = -120,
    e4data = -200,
    e4fieldName = -210,
    e4fieldType = -220,
    e4recordLen = -230,
    e4seekType = -250,
    e4entry = -300,
    e4index = -310,
    e4tagName = -330,
    e4unique = -340,
    e4candidate = -360,
    e4tagInfo = -350,
    e4commaExpected = -400,
    e4complete = -410,
    e4dataName = -420,
    e4lengthErr = -422,
    e4notConstant = -425,
    e4numParms = -430,
    e4overflow = -440,
    e4rightMissing = -450,
    e4typeSub = -460,
    e4unrecFunction = -470,
    e4unrecOperator = -480,
    e4unrecValue = -490,
    e4unterminated = -500,
    e4tagExpr = -510,
    e4optFlush = -630,
    e4relate = -710,
    e4info = -910,
    e4memory = -920,
    e4parm = -930,
    e4parmNull = -935,
    e4result = -950,
    e4struct = -960,
    e4corrupt = -970,
    e4notSupported = -1090,
    e4version = -1095,
    e4memoCorrupt = -1110,
    e4nameNotFound = -1420,
};

// Location constants: E4_LOC_<OPERATION> (group 9) and E4_MSG_<NAME> (group 8).
enum Error4Loc9 : int32_t {
    E4_LOC9_BEFORE_FIRST = 89999,
#define E4LOC(id, number, text) E4_LOC_##id,
#include "error4loc9.def"
#undef E4LOC
};
enum Error4Loc8 : int32_t {
    E4_LOC8_BEFORE_FIRST = 79999,
#define E4LOC(id, number, text) E4_MSG_##id,
#include "error4loc8.def"
#undef E4LOC
};

// Report an error with up to three texts (each may be null); returns code.
int error4describe(CODE4 *c, int code, long location, const char *t1, const char *t2, const char *t3);
// The same without texts.
int error4(CODE4 *c, int code, long location);
// Set errorCode without reporting; returns the previous value.
int error4set(CODE4 *c, int code);
// errorCode of the context, or -930 for an invalid one.
int error4code(const CODE4 *c);

// The message of a code ("Invalid or Unknown Error Code" when unknown).
const char *error4text(int code);
// Resolve a location to its own number and text.
void error4location(long location, long *number, const char **text);
// Build the shown message (at most 256 characters) into out[257].
void error4message(int code, long location, const char *t1, const char *t2, const char *t3, char out[257]);

// The display hook shows a message box: caption and message text. The
// default writes both to standard error; the app installs its drawn box.
typedef void (*Error4Display)(const char *caption, const char *message);
Error4Display error4setDisplay(Error4Display hook);  // returns the previous hook
constexpr const char *E4CAPTION = "BRINDLE ERROR";

// Whether a code ends the program after it was shown.
bool error4isFatal(int code);

// Checks a handle's stamp: -935 for null, -930 for a bad stamp (reported
// without a context), 0 when valid.
int error4checkStamp(const void *handle, int32_t stamp, long location);
