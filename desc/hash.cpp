// The description name hash and the keyword tables of the three scanners.
#include "desc/hash.h"

#include <cstdlib>
#include <cstring>

#include "runtime/dyna.h"

namespace {

int hash_modulus = DESC_HASH_MODULUS_KESTRAND;

// One keyword of a scanner's hash.
struct KeywordPair {
    char* word;
    int token;
};

struct KeywordDef {
    const char* word;
    int token;
};

#define DESC_KEYWORD_DEF(e, text) {text, e},
const KeywordDef kDftKeywords[] = {DESC_DFT_KEYWORDS(DESC_KEYWORD_DEF)};
const KeywordDef kLibKeywords[] = {DESC_LIB_KEYWORDS(DESC_KEYWORD_DEF)};
const KeywordDef kPinKeywords[] = {DESC_PIN_KEYWORDS(DESC_KEYWORD_DEF)};
#undef DESC_KEYWORD_DEF

static_assert(sizeof(kDftKeywords) / sizeof(kDftKeywords[0]) == 83);
static_assert(sizeof(kLibKeywords) / sizeof(kLibKeywords[0]) == 66);
static_assert(sizeof(kPinKeywords) / sizeof(kPinKeywords[0]) == 12);

// A keyword hash: a DynaArray of buckets (DynaArrays of KeywordPair, null
// until a keyword falls into them), indexed by hash_key.
struct KeywordHash {
    KeywordPair** buckets = nullptr;
    const KeywordDef* table;
    int size;
};

KeywordHash dft_hash{nullptr, kDftKeywords, 83};
KeywordHash lib_hash{nullptr, kLibKeywords, 66};
KeywordHash pin_hash{nullptr, kPinKeywords, 12};

void free_hash(KeywordHash& h) {
    int n = DYNA_count(h.buckets);
    for (int i = 0; i < n; ++i) {
        KeywordPair* b = h.buckets[i];
        if (!b) continue;
        for (int j = 0, m = DYNA_count(b); j < m; ++j) std::free(b[j].word);
        DYNA_free(&b);
    }
    if (h.buckets) DYNA_free(&h.buckets);
    h.buckets = nullptr;
}

void build_hash(KeywordHash& h) {
    free_hash(h);
    h.buckets = DYNA_new<KeywordPair*>();
    for (int i = 0; i < h.size; ++i) {
        int k = hash_key(h.table[i].word);
        // (The index is taken first: DYNA_add may move the array.)
        for (int have = DYNA_count(h.buckets); have <= k; ++have) {
            int at = DYNA_add(&h.buckets, 1);
            h.buckets[at] = nullptr;
        }
        if (!h.buckets[k]) h.buckets[k] = DYNA_new<KeywordPair>();
        int j = DYNA_add(&h.buckets[k], 1);
        h.buckets[k][j].word = qdx_strdup(h.table[i].word);
        h.buckets[k][j].token = h.table[i].token;
    }
}

int lookup(KeywordHash& h, const char* word) {
    if (!word) return -1;
    if (!h.buckets) build_hash(h);
    int k = hash_key(word);
    if (k < 0 || k >= DYNA_count(h.buckets) || !h.buckets[k]) return -1;
    KeywordPair* b = h.buckets[k];
    for (int j = 0, m = DYNA_count(b); j < m; ++j)
        if (std::strcmp(b[j].word, word) == 0) return b[j].token;
    return -1;
}

const char* text_of(const KeywordHash& h, int token) {
    for (int i = 0; i < h.size; ++i)
        if (h.table[i].token == token) return h.table[i].word;
    return nullptr;
}

}  // namespace

void DESC_set_hash_modulus(int modulus) {
    if (modulus < 1) modulus = 1;
    if (modulus != hash_modulus) {
        // Keyword hashes built under the old modulus would be looked up in
        // the wrong buckets.
        free_hash(dft_hash);
        free_hash(lib_hash);
        free_hash(pin_hash);
    }
    hash_modulus = modulus;
}

int DESC_hash_modulus() { return hash_modulus; }

int hash_key(const char* name) {
    if (!name) return 0;
    long sum = 0;
    for (const char* p = name; *p; ++p) sum += static_cast<signed char>(*p);
    long r = sum % hash_modulus;
    if (r < 0) r += hash_modulus;
    return static_cast<int>(r);
}

void make_dft_keyword_hash() { build_hash(dft_hash); }
int dft_keyword_lookup(const char* word) { return lookup(dft_hash, word); }
void make_lib_keyword_hash() { build_hash(lib_hash); }
int lib_keyword_lookup(const char* word) { return lookup(lib_hash, word); }
void make_pin_keyword_hash() { build_hash(pin_hash); }
int pin_keyword_lookup(const char* word) { return lookup(pin_hash, word); }

const char* dft_keyword_text(int token) { return text_of(dft_hash, token); }
const char* lib_keyword_text(int token) { return text_of(lib_hash, token); }
const char* pin_keyword_text(int token) { return text_of(pin_hash, token); }

void HASH_reset_globals() {
    free_hash(dft_hash);
    free_hash(lib_hash);
    free_hash(pin_hash);
}
