// The name hash of the description tables and the keyword hashes of the
// three description scanners, with their token codes.
#pragma once

// ---------------------------------------------------------------- name hash

// Number of buckets of every name-hashed table of the description layer
// and of the keyword hashes: 63 in kestrand, 127 in tallowmere.  The
// program sets it once at start-up, before any table is filled; the
// default is 63.
inline constexpr int DESC_HASH_MODULUS_KESTRAND = 63;
inline constexpr int DESC_HASH_MODULUS_TALLOWMERE = 127;
void DESC_set_hash_modulus(int modulus);
int DESC_hash_modulus();

// The bucket of a name: the sum of its bytes taken as signed 8-bit values,
// reduced to 0 .. modulus-1 (a negative sum, from bytes of 128 and above,
// still lands inside the table).  0 for an empty or null name.
int hash_key(const char* name);

// ------------------------------------------------------------ token codes
// 0 is the end of the input; single-character punctuation is its own
// character code; the rest are below.

// Configuration language (".bsc").
#define DESC_DFT_KEYWORDS(X) \
    X(DFT_KW_W_ACCESS, "ACCESS") \
    X(DFT_KW_BIDIR_MUX_SCAN, "%BIDIR_MUX_SCAN") \
    X(DFT_KW_BIDIR_SCAN, "%BIDIR_SCAN") \
    X(DFT_KW_BIDIR_HIGH_SCAN, "%BIDIR_HIGH_SCAN") \
    X(DFT_KW_BIDIR_LOW_SCAN, "%BIDIR_LOW_SCAN") \
    X(DFT_KW_UNBOUNDED_PINS, "%UNBOUNDED_PINS") \
    X(DFT_KW_CONTROL_HZ_SCAN, "%CONTROL_HZ_SCAN") \
    X(DFT_KW_CONTROL_OE_SCAN, "%CONTROL_OE_SCAN") \
    X(DFT_KW_CONTROL_OE_LOW_SCAN, "%CONTROL_OE_LOW_SCAN") \
    X(DFT_KW_CONTROL_OE_HIGH_SCAN, "%CONTROL_OE_HIGH_SCAN") \
    X(DFT_KW_CONTROL_MUX_SCAN, "%CONTROL_MUX_SCAN") \
    X(DFT_KW_CONTROL_SCAN, "%CONTROL_SCAN") \
    X(DFT_KW_CONTROL_LOW_SCAN, "%CONTROL_LOW_SCAN") \
    X(DFT_KW_CONTROL_HIGH_SCAN, "%CONTROL_HIGH_SCAN") \
    X(DFT_KW_CLOCK_MUX_SCAN, "%CLOCK_MUX_SCAN") \
    X(DFT_KW_CLOCK_SCAN, "%CLOCK_SCAN") \
    X(DFT_KW_CTRL_ORDER, "%CTRL_ORDER") \
    X(DFT_KW_CNT_FILE, "%CNT_FILE") \
    X(DFT_KW_DFT_FILE, "%DFT_FILE") \
    X(DFT_KW_DIAG_CNT_FILE, "%DIAG_CNT_FILE") \
    X(DFT_KW_W_ENABLE, "ENABLE") \
    X(DFT_KW_FILE_NAME, "%FILE_NAME") \
    X(DFT_KW_GLOBAL_TDI, "%GLOBAL_TDI") \
    X(DFT_KW_GLOBAL_TDO, "%GLOBAL_TDO") \
    X(DFT_KW_GLOBAL_TMS, "%GLOBAL_TMS") \
    X(DFT_KW_GLOBAL_TCK, "%GLOBAL_TCK") \
    X(DFT_KW_GLOBAL_TRST, "%GLOBAL_TRST") \
    X(DFT_KW_GROUP_METHOD, "%GROUP_METHOD") \
    X(DFT_KW_GROUP_SIZE, "%GROUP_SIZE") \
    X(DFT_KW_HIGHZ_COMMAND, "%HIGHZ_COMMAND") \
    X(DFT_KW_TDI, "%TDI") \
    X(DFT_KW_TDO, "%TDO") \
    X(DFT_KW_IDCODE_REGISTER, "%IDCODE_REGISTER") \
    X(DFT_KW_INPUT, "%INPUT") \
    X(DFT_KW_INOUT_BUFFER, "%INOUT_BUFFER") \
    X(DFT_KW_INPUT_BUFFER, "%INPUT_BUFFER") \
    X(DFT_KW_INPUT_MUX_SCAN, "%INPUT_MUX_SCAN") \
    X(DFT_KW_INPUT_SCAN, "%INPUT_SCAN") \
    X(DFT_KW_INSTANCE_NAME, "%INSTANCE_NAME") \
    X(DFT_KW_INTERNAL_SCAN, "%INTERNAL_SCAN") \
    X(DFT_KW_INSTRUCTION, "%INSTRUCTION") \
    X(DFT_KW_INSTRUCTION_CAPTURE, "%INSTRUCTION_CAPTURE") \
    X(DFT_KW_INSTRUCTION_DISABLE, "%INSTRUCTION_DISABLE") \
    X(DFT_KW_INSTRUCTION_GUARD, "%INSTRUCTION_GUARD") \
    X(DFT_KW_INSTRUCTION_PRIVATE, "%INSTRUCTION_PRIVATE") \
    X(DFT_KW_INSTRUCTION_TABLE, "%INSTRUCTION_TABLE") \
    X(DFT_KW_INVERTER, "%INVERTER") \
    X(DFT_KW_LOGIC_BIST, "%LOGIC_BIST") \
    X(DFT_KW_MEMORY_BIST, "%MEMORY_BIST") \
    X(DFT_KW_MODULE_NAME, "%MODULE_NAME") \
    X(DFT_KW_OBSERVE_ONLY_SCAN, "%OBSERVE_ONLY_SCAN") \
    X(DFT_KW_OUTPUT, "%OUTPUT") \
    X(DFT_KW_OUTPUT_BUFFER, "%OUTPUT_BUFFER") \
    X(DFT_KW_OUTPUT_MUX_SCAN, "%OUTPUT_MUX_SCAN") \
    X(DFT_KW_OUTPUT_SCAN, "%OUTPUT_SCAN") \
    X(DFT_KW_PIN_LIST, "%PIN_LIST") \
    X(DFT_KW_PACKAGE_LIST, "%PACKAGE_LIST") \
    X(DFT_KW_SCAN_CELLS, "%SCAN_CELLS") \
    X(DFT_KW_SKIP_MODULE_NAMES, "%SKIP_MODULE_NAMES") \
    X(DFT_KW_SKIP_SIGNAL_NAMES, "%SKIP_SIGNAL_NAMES") \
    X(DFT_KW_SEL_INSTRUCTION, "%SEL_INSTRUCTION") \
    X(DFT_KW_DIAG_INSTRUCTION, "%DIAG_INSTRUCTION") \
    X(DFT_KW_SCAN_INSTRUCTION, "%SCAN_INSTRUCTION") \
    X(DFT_KW_LBIST_INSTRUCTION, "%LBIST_INSTRUCTION") \
    X(DFT_KW_DEBUG_INSTRUCTION, "%DEBUG_INSTRUCTION") \
    X(DFT_KW_TAP_MODULE, "%TAP_MODULE") \
    X(DFT_KW_TRANSPARENT_BUFFER, "%TRANSPARENT_BUFFER") \
    X(DFT_KW_TESTS, "%TESTS") \
    X(DFT_KW_USERCODE_REGISTER, "%USERCODE_REGISTER") \
    X(DFT_KW_CONNECTION_TABLE, "%CONNECTION_TABLE") \
    X(DFT_KW_CONNECT, "%CONNECT") \
    X(DFT_KW_W_TO, "TO") \
    X(DFT_KW_BINARY_CODE, "%BINARY_CODE") \
    X(DFT_KW_DATA_REGISTER, "%DATA_REGISTER") \
    X(DFT_KW_ENABLE, "%ENABLE") \
    X(DFT_KW_EN_H, "%EN_H") \
    X(DFT_KW_EN_L, "%EN_L") \
    X(DFT_KW_W_AND, "AND") \
    X(DFT_KW_W_OR, "OR") \
    X(DFT_KW_W_NAND, "NAND") \
    X(DFT_KW_W_NOR, "NOR") \
    X(DFT_KW_W_XOR, "XOR") \
    X(DFT_KW_W_XNOR, "XNOR") \

enum DftToken : int {
    DFT_TOK_EOF = 0,
    DFT_TOK_IDENT = 258,
    DFT_TOK_INTEGER,
    DFT_TOK_PATTERN,
#define DESC_TOKEN_ENUM(e, text) e,
    DFT_KW_BEFORE_ = 299,
    DESC_DFT_KEYWORDS(DESC_TOKEN_ENUM)
    DFT_KW_END_
};

// Cell-library language (".lib").
#define DESC_LIB_KEYWORDS(X) \
    X(LIB_KW_BUFFER, "%BUFFER") \
    X(LIB_KW_BS_BUFFER, "%BS_BUFFER") \
    X(LIB_KW_BCELL, "%BCELL") \
    X(LIB_KW_DIFFERENTIAL_VOLTAGE, "%DIFFERENTIAL_VOLTAGE") \
    X(LIB_KW_DIFFERENTIAL_CURRENT, "%DIFFERENTIAL_CURRENT") \
    X(LIB_KW_CLOCK_DR, "%CLOCK_DR") \
    X(LIB_KW_CONTROL_BCELL, "%CONTROL_BCELL") \
    X(LIB_KW_CONTROL_IN, "%CONTROL_IN") \
    X(LIB_KW_DATA_IN, "%DATA_IN") \
    X(LIB_KW_DATA_OUT, "%DATA_OUT") \
    X(LIB_KW_EN_L, "%EN_L") \
    X(LIB_KW_EN_H, "%EN_H") \
    X(LIB_KW_EXTRA, "%EXTRA_") \
    X(LIB_KW_FIRST_BCELL, "%FIRST_BCELL") \
    X(LIB_KW_FUNCTION, "%FUNCTION") \
    X(LIB_KW_GROUP_METHOD, "%GROUP_METHOD") \
    X(LIB_KW_GROUP_SIZE, "%GROUP_SIZE") \
    X(LIB_KW_DF_GROUP_SIZE, "%DF_GROUP_SIZE") \
    X(LIB_KW_HIGHZ_COMMAND, "%HIGHZ_COMMAND") \
    X(LIB_KW_HIGHZ, "%HIGHZ") \
    X(LIB_KW_IN_BCELL, "%IN_BCELL") \
    X(LIB_KW_INOUT, "%INOUT") \
    X(LIB_KW_INPUT, "%INPUT") \
    X(LIB_KW_INPUT_P, "%INPUT_P") \
    X(LIB_KW_INPUT_M, "%INPUT_M") \
    X(LIB_KW_INSTANCE_NAME, "%INSTANCE_NAME") \
    X(LIB_KW_INV_BUFFER, "%INV_BUFFER") \
    X(LIB_KW_KEEPER, "%KEEPER") \
    X(LIB_KW_LAST_BCELL, "%LAST_BCELL") \
    X(LIB_KW_LASTTDO, "%LASTTDO") \
    X(LIB_KW_MODE_1, "%MODE_1") \
    X(LIB_KW_MODE_2, "%MODE_2") \
    X(LIB_KW_MODE_3, "%MODE_3") \
    X(LIB_KW_MUX_DATA_IN, "%MUX_DATA_IN") \
    X(LIB_KW_MUX_IN1, "%MUX_IN1") \
    X(LIB_KW_MUX_IN2, "%MUX_IN2") \
    X(LIB_KW_MUX_IN3, "%MUX_IN3") \
    X(LIB_KW_MUX_OUT, "%MUX_OUT") \
    X(LIB_KW_OE_MODE, "%OE_MODE") \
    X(LIB_KW_ORDER, "%ORDER") \
    X(LIB_KW_OUT_BCELL, "%OUT_BCELL") \
    X(LIB_KW_OUTPUT, "%OUTPUT") \
    X(LIB_KW_OUTPUT_P, "%OUTPUT_P") \
    X(LIB_KW_OUTPUT_M, "%OUTPUT_M") \
    X(LIB_KW_PULL_0, "%PULL_0") \
    X(LIB_KW_PULL_1, "%PULL_1") \
    X(LIB_KW_RST, "%RST") \
    X(LIB_KW_SCAN_CELL, "%SCAN_CELL") \
    X(LIB_KW_SHIFT_DR, "%SHIFT_DR") \
    X(LIB_KW_SIGNAL_BUFFER, "%SIGNAL_BUFFER") \
    X(LIB_KW_DF_SIGNAL_BUFFER, "%DF_SIGNAL_BUFFER") \
    X(LIB_KW_STD_NAME, "%STD_NAME") \
    X(LIB_KW_SYS_IN, "%SYS_IN") \
    X(LIB_KW_SYS_PIN, "%SYS_PIN") \
    X(LIB_KW_TAP_CONTROLLER, "%TAP_CONTROLLER") \
    X(LIB_KW_TAP_RESET, "%TAP_RESET") \
    X(LIB_KW_TDI, "%TDI") \
    X(LIB_KW_TDO, "%TDO") \
    X(LIB_KW_TDO_EN, "%TDO_EN") \
    X(LIB_KW_TMS, "%TMS") \
    X(LIB_KW_TCK, "%TCK") \
    X(LIB_KW_TRST, "%TRST") \
    X(LIB_KW_UPDATE_DR, "%UPDATE_DR") \
    X(LIB_KW_UPDATE_DR_OUT, "%UPDATE_DR_OUT") \
    X(LIB_KW_WEAK_0, "%WEAK_0") \
    X(LIB_KW_WEAK_1, "%WEAK_1") \

enum LibToken : int {
    LIB_TOK_EOF = 0,
    LIB_TOK_IDENT = 258,
    LIB_TOK_INTEGER,
    LIB_KW_BEFORE_ = 299,
    DESC_LIB_KEYWORDS(DESC_TOKEN_ENUM)
    LIB_KW_END_
};

// Pin and package file language.
#define DESC_PIN_KEYWORDS(X) \
    X(PIN_KW_BSC, "BSC") \
    X(PIN_KW_PAD, "PAD") \
    X(PIN_KW_I, "I") \
    X(PIN_KW_O, "O") \
    X(PIN_KW_C, "C") \
    X(PIN_KW_IO, "IO") \
    X(PIN_KW_I_ONLY, "I_ONLY") \
    X(PIN_KW_O_ONLY, "O_ONLY") \
    X(PIN_KW_PAD_EN_L, "PAD_EN_L") \
    X(PIN_KW_PAD_EN_H, "PAD_EN_H") \
    X(PIN_KW_PACKAGE_TYPE, "%PACKAGE_TYPE") \
    X(PIN_KW_ALLOWED_MULTIPLE, "%ALLOWED_MULTIPLE") \

enum PinToken : int {
    PIN_TOK_EOF = 0,
    PIN_TOK_IDENT = 258,
    PIN_TOK_INTEGER,
    PIN_KW_BEFORE_ = 299,
    DESC_PIN_KEYWORDS(DESC_TOKEN_ENUM)
    PIN_KW_END_
#undef DESC_TOKEN_ENUM
};

// ---------------------------------------------------------- keyword hashes
// Each build replaces that scanner's previous hash; a look-up of a scanner
// whose hash was never built builds it first.  Look-ups are exact and
// case-sensitive and give the keyword's token code, or -1.

void make_dft_keyword_hash();
int dft_keyword_lookup(const char* word);
void make_lib_keyword_hash();
int lib_keyword_lookup(const char* word);
void make_pin_keyword_hash();
int pin_keyword_lookup(const char* word);

// The keyword text of a token code of each language (null for others).
const char* dft_keyword_text(int token);
const char* lib_keyword_text(int token);
const char* pin_keyword_text(int token);

// Frees the three keyword hashes (the modulus is a program setting and
// stays as it is).
void HASH_reset_globals();
