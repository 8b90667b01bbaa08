// The section writers of the DFT file writer, each printing its sections
// of one object onto an open stream; `flag` non-zero prints the banners.
#pragma once

#include <cstdio>

struct DftObject;

// %SELECT_SCAN and every %SEQUENCE.
void write_select_scan(FILE* out, const DftObject& object, int flag);
void write_sequences(FILE* out, const DftObject& object, int flag);

// The banner lines the writer prints in front of its sections (flag set).
inline constexpr const char* kBannerScanSelection = "// Scan selection";
inline constexpr const char* kBannerSequence = "// Scan instruction sequence";

// Every banner above, and those of the sections still to come: read back
// from an earlier output they are not printed again as comments.
inline constexpr const char* kDftWriterBanners[] = {
    kBannerScanSelection, "// Instruction", "// Read Mapping_cell File", "// Connect Scan Chain",
    "// Scan Connection", "// Test Generation Constraints", "// Fault Selection", "// Test Conversion",
    kBannerSequence, "// Scan Decoder", "// Clock Period", "// Clock_Period", "// Core", "// Test Files",
    "// scan wrapper", "// gristel info", "// def info", "// Mbist Control", "// Mbist Bsd", "// Pll Clock Fix",
    "// Pll ", "// Blackbox ", "// Lockup Latch File",
};
