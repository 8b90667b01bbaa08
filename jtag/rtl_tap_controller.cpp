// The TAP controller of the RTL TAP, in Verilog and VHDL: the 16-state
// state machine moving on the rising TCK edge, a reset after five TCK
// cycles with TMS high (also from power-up), the output registers changing
// on the falling edge, and the instruction- and data-register clocks.

#include <cstdio>
#include <string>
#include <vector>

#include "jtag/insertion_facts.h"
#include "jtag/jtag.h"
#include "jtag/rtl_tap.h"
#include "jtag/tap.h"

namespace {

struct State {
    const char* v;     // Verilog macro
    const char* vhdl;  // VHDL constant
    const char* code;
    int next0, next1;  // indexes for TMS = 0 / 1
};

enum {
    TLR, RTI, SEL_DR, CAP_DR, SH_DR, EX1_DR, PA_DR, EX2_DR, UPD_DR, SEL_IR, CAP_IR, SH_IR, EX1_IR, PA_IR, EX2_IR,
    UPD_IR
};

// The IEEE 1149.1 state machine.  The top code bit is 0 for
// Test-Logic-Reset and the data-register states: SELECT_DR.
const State kStates[16] = {
    {"TEST_LOGIC_RESET", "TEST_RESET_ST", "0100", RTI, TLR},
    {"RUN_TEST_IDLE", "TEST_IDLE_ST", "1100", RTI, SEL_DR},
    {"SELECT_DR_SCAN", "DR_SCAN_ST", "0000", CAP_DR, SEL_IR},
    {"CAPTURE_DR", "CAPTURE_DR_ST", "0001", SH_DR, EX1_DR},
    {"SHIFT_DR", "SHIFT_DR_ST", "0011", SH_DR, EX1_DR},
    {"EXIT1_DR", "EXIT1_DR_ST", "0010", PA_DR, UPD_DR},
    {"PAUSE_DR", "PAUSE_DR_ST", "0110", PA_DR, EX2_DR},
    {"EXIT2_DR", "EXIT2_DR_ST", "0111", SH_DR, UPD_DR},
    {"UPDATE_DR", "UPDATE_DR_ST", "0101", RTI, SEL_DR},
    {"SELECT_IR_SCAN", "IR_SCAN_ST", "1000", CAP_IR, TLR},
    {"CAPTURE_IR", "CAPTURE_IR_ST", "1001", SH_IR, EX1_IR},
    {"SHIFT_IR", "SHIFT_IR_ST", "1011", SH_IR, EX1_IR},
    {"EXIT1_IR", "EXIT1_IR_ST", "1010", PA_IR, UPD_IR},
    {"PAUSE_IR", "PAUSE_IR_ST", "1110", PA_IR, EX2_IR},
    {"EXIT2_IR", "EXIT2_IR_ST", "1111", SH_IR, UPD_IR},
    {"UPDATE_IR", "UPDATE_IR_ST", "1101", RTI, SEL_DR},
};

bool synch() { return JTAG_OPTION[OPT_SYNCH] != 0; }

}  // namespace

void make_tap_controller_of_v(FILE* s) {
    const char* tms = TAP_TMS_PIN;
    const char* tck = TAP_TCK_PIN;
    const char* trst = TAP_TRST_PIN;
    const bool upd = rtltap::has_update_dr();

    std::fprintf(s, "\nmodule  TAP_controller ( %s,\n", tms);
    std::fprintf(s, "%24c %s,\n", ' ', tck);
    if (trst) std::fprintf(s, "%24c %s,\n", ' ', trst);
    std::fprintf(s, "%24c SHIFT_IR,\n%24c CLOCK_IR,\n%24c UPDATE_IR,\n", ' ', ' ', ' ');
    std::fprintf(s, "%24c %s,\n%24c %s,\n", ' ', TAP_SHIFT_PIN, ' ', TAP_CLOCK_PIN);
    if (upd) std::fprintf(s, "%24c %s,\n", ' ', TAP_UPDATE_PIN);
    std::fprintf(s, "%24c %s,\n", ' ', TAP_RST_PIN);
    std::fprintf(s, "%24c SELECT_DR,\n%24c ENABLE );\n\n", ' ', ' ');

    std::fprintf(s, "%7c output SHIFT_IR;\n%7c output CLOCK_IR;\n%7c output UPDATE_IR;\n", ' ', ' ', ' ');
    std::fprintf(s, "%7c output %s;\n%7c output %s;\n", ' ', TAP_SHIFT_PIN, ' ', TAP_CLOCK_PIN);
    if (upd) std::fprintf(s, "%7c output %s;\n", ' ', TAP_UPDATE_PIN);
    std::fprintf(s, "%7c output %s;\n", ' ', TAP_RST_PIN);
    std::fprintf(s, "%7c output SELECT_DR;\n%7c output ENABLE;\n\n", ' ', ' ');
    std::fprintf(s, "%7c input %s;\n%7c input %s;\n", ' ', tms, ' ', tck);
    if (trst) std::fprintf(s, "%7c input %s;\n", ' ', trst);
    std::fprintf(s, "\n");

    std::fprintf(s, "%7c reg EN_reg;\n%7c reg RESET_reg;\n%7c reg SHIFT_IR_reg;\n%7c reg SHIFT_DR_reg;\n", ' ', ' ',
                 ' ', ' ');
    std::fprintf(s, "%7c reg[3:0] tms_count;\n%7c reg[3:0] STATE;\n\n", ' ', ' ');
    for (int i = 0; i < 16; ++i) {
        std::fprintf(s, "        `define  %-19s4'b%s\n", kStates[i].v, kStates[i].code);
        if (i == RTI || i == UPD_DR || i == UPD_IR) std::fprintf(s, "\n");
    }

    // The last four TMS samples: a fifth TMS high resets the state machine
    // whatever its state, also from power-up.
    std::fprintf(s, "%7c always @(posedge %s)\n", ' ', tck);
    std::fprintf(s, "%11c tms_count <= {tms_count[2:0],%s} ;\n\n", ' ', tms);
    std::fprintf(s, "        wire internal_TRST1 = (tms_count[0] == 1) &&\n"
                    "                              (tms_count[1] == 1) &&\n"
                    "                              (tms_count[2] == 1) &&\n"
                    "                              (tms_count[3] == 1);\n\n"
                    "        wire internal_TRST = ~internal_TRST1;\n\n");

    if (trst) {
        std::fprintf(s, "%7c always @(posedge %s or negedge %s)\n", ' ', tck, trst);
        std::fprintf(s, "%11c if (%s == 0 )\n", ' ', trst);
        std::fprintf(s, "              STATE <= `TEST_LOGIC_RESET;\n");
        std::fprintf(s, "%11c else if (%s && internal_TRST == 0)\n", ' ', tms);
        std::fprintf(s, "              STATE <= `TEST_LOGIC_RESET;\n            else\n");
    } else {
        std::fprintf(s, "%7c always @(posedge %s)\n", ' ', tck);
        std::fprintf(s, "%11c if (%s && internal_TRST == 0)\n", ' ', tms);
        std::fprintf(s, "            STATE <= `TEST_LOGIC_RESET;\n          else\n");
    }
    std::fprintf(s, "            case (STATE)\n\n");
    for (const State& st : kStates) {
        std::fprintf(s, "%11c `%s:\n", ' ', st.v);
        std::fprintf(s, "%13c STATE <= (%s) ? `%s: `%s;\n", ' ', tms, kStates[st.next1].v, kStates[st.next0].v);
    }
    std::fprintf(s, "\n            endcase\n\n");

    if (trst)
        std::fprintf(s, "%7c always @(negedge %s or negedge %s)\n", ' ', tck, trst);
    else
        std::fprintf(s, "%7c always @(negedge %s)\n", ' ', tck);
    std::fprintf(s, "        begin\n");
    const char* in = "            ";
    const char* cont = "                            ";
    if (trst) {
        std::fprintf(s, "%11c if (%s == 0)\n", ' ', trst);
        std::fprintf(s, "            begin\n"
                        "                RESET_reg    <= 0;\n"
                        "                EN_reg       <= 0;\n"
                        "                SHIFT_IR_reg <= 0;\n"
                        "                SHIFT_DR_reg <= 0;\n"
                        "            end\n"
                        "            else begin\n");
        in = "                ";
        cont = "                                ";
    }
    std::fprintf(s, "%sRESET_reg    <= (STATE == `TEST_LOGIC_RESET) ? 1'b0 : 1'b1;\n", in);
    std::fprintf(s, "%sEN_reg       <= (STATE == `SHIFT_DR |\n%sSTATE == `SHIFT_IR) ? 1'b1 : 1'b0;\n", in, cont);
    std::fprintf(s, "%sSHIFT_IR_reg <= (STATE == `SHIFT_IR) ? 1'b1 : 1'b0;\n", in);
    std::fprintf(s, "%sSHIFT_DR_reg <= (STATE == `SHIFT_DR) ? 1'b1 : 1'b0;\n", in);
    if (trst) std::fprintf(s, "            end\n");
    std::fprintf(s, "        end\n\n");

    std::fprintf(s, "        assign  SHIFT_IR = SHIFT_IR_reg;\n");
    std::fprintf(s, "%7c assign  %s = SHIFT_DR_reg;\n", ' ', TAP_SHIFT_PIN);
    std::fprintf(s, "%7c assign  %s = RESET_reg;\n", ' ', TAP_RST_PIN);
    std::fprintf(s, "        assign  ENABLE    = EN_reg;\n");
    std::fprintf(s, "        assign  SELECT_DR = (STATE < 4'd8) ? 1'b1 : 1'b0;\n");
    if (synch()) {
        std::fprintf(s, "        assign  #1 CLOCK_IR = ((STATE == `SHIFT_IR) || (STATE == `CAPTURE_IR));\n");
        std::fprintf(s, "%7c assign  #1 %s = ((STATE == `SHIFT_DR) || (STATE == `CAPTURE_DR));\n", ' ',
                     TAP_CLOCK_PIN);
        std::fprintf(s, "        assign  UPDATE_IR = (STATE == `UPDATE_IR);\n");
        if (upd) std::fprintf(s, "%7c assign  %s = (STATE == `UPDATE_DR);\n", ' ', TAP_UPDATE_PIN);
    } else {
        // Gated clocks: low while TCK is low in the capture and shift
        // states, so their rising edge is TCK's.
        std::fprintf(s, "        assign  CLOCK_IR = !(STATE == `SHIFT_IR || STATE == `CAPTURE_IR)\n%26c | %s;\n", ' ',
                     tck);
        std::fprintf(s, "%7c assign  %s = !(STATE == `SHIFT_DR || STATE == `CAPTURE_DR)\n%26c | %s;\n", ' ',
                     TAP_CLOCK_PIN, ' ', tck);
        std::fprintf(s, "        assign  UPDATE_IR = (STATE == `UPDATE_IR) & (~%s);\n", tck);
        if (upd) std::fprintf(s, "%7c assign  %s = (STATE == `UPDATE_DR) & (~%s);\n\n", ' ', TAP_UPDATE_PIN, tck);
    }
    std::fprintf(s, "endmodule\n\n\n");
}

void vhdl_output_io_interface_of_tap_controller(FILE* s) {
    std::fprintf(s, "    port (\n");
    std::fprintf(s, "%7c %s, %s", ' ', TAP_TMS_PIN, TAP_TCK_PIN);
    if (TAP_TRST_PIN) std::fprintf(s, ", %s", TAP_TRST_PIN);
    std::fprintf(s, ": in std_logic;\n");
    std::fprintf(s, "        SHIFT_IR, CLOCK_IR, UPDATE_IR: out std_logic;\n");
    if (rtltap::has_update_dr())
        std::fprintf(s, "%7c %s, %s, %s", ' ', TAP_SHIFT_PIN, TAP_CLOCK_PIN, TAP_UPDATE_PIN);
    else
        std::fprintf(s, "%7c %s, %s", ' ', TAP_SHIFT_PIN, TAP_CLOCK_PIN);
    std::fprintf(s, ": out std_logic;\n");
    std::fprintf(s, "        SELECT_DR, ENABLE, %s: out std_logic\n", TAP_RST_PIN);
    std::fprintf(s, "    );\n");
}

void make_tap_controller_of_vhdl(FILE* s) {
    const char* tms = TAP_TMS_PIN;
    const char* tck = TAP_TCK_PIN;
    const char* trst = TAP_TRST_PIN;
    std::fprintf(s, "library IEEE;\nuse IEEE.std_logic_1164.all;\n-- use IEEE.std_logic_arith.all;\n\n");
    std::fprintf(s, "entity TAP_controller is\n");
    vhdl_output_io_interface_of_tap_controller(s);
    std::fprintf(s, "end TAP_controller;\n\narchitecture BEHAVIOR of TAP_controller is\n\n");
    for (const State& st : kStates)
        std::fprintf(s, "    constant %-13s: std_logic_vector(3 downto 0) := \"%s\";\n", st.vhdl, st.code);
    std::fprintf(s, "    constant TMS_INITIAL_COUNT : std_logic_vector(3 downto 0) := \"1111\";\n\n");
    std::fprintf(s, "    signal  STATE: std_logic_vector(3 downto 0);\n");
    std::fprintf(s, "    signal  tms_count: std_logic_vector(3 downto 0);\n");
    std::fprintf(s, "    signal  EN_reg, RESET_reg, SHIFT_IR_reg, SHIFT_DR_reg: std_logic;\n\nbegin\n");

    // The last four TMS samples; a fifth TMS high resets the state machine
    // on the rising edge, as in the Verilog.
    std::fprintf(s, "    process (%s)\n    begin\n", tck);
    std::fprintf(s, "      if (RISING_EDGE(%s)) then\n", tck);
    std::fprintf(s, "          tms_count(3 downto 1) <= tms_count(2 downto 0);\n");
    std::fprintf(s, "          tms_count(0) <= %s;\n", tms);
    std::fprintf(s, "     end if;\n    end process;\n\n");

    if (trst) {
        std::fprintf(s, "    process (%s, %s)\n    begin\n", tck, trst);
        std::fprintf(s, "    if (%s = '0') then\n", trst);
        std::fprintf(s, "        STATE <= TEST_RESET_ST;\n");
        std::fprintf(s, "    elsif RISING_EDGE(%s) then\n", tck);
    } else {
        std::fprintf(s, "    process (%s)\n    begin\n", tck);
        std::fprintf(s, "    if RISING_EDGE(%s) then\n", tck);
    }
    std::fprintf(s, "      if (%s = '1' and tms_count = TMS_INITIAL_COUNT) then\n", tms);
    std::fprintf(s, "        STATE <= TEST_RESET_ST;\n      else\n");
    std::fprintf(s, "        case STATE is\n");
    for (const State& st : kStates) {
        std::fprintf(s, "        when %s =>\n", st.vhdl);
        std::fprintf(s, "            if (%s = '1') then\n", tms);
        std::fprintf(s, "                STATE <= %s;\n", kStates[st.next1].vhdl);
        std::fprintf(s, "            else\n");
        std::fprintf(s, "                STATE <= %s;\n", kStates[st.next0].vhdl);
        std::fprintf(s, "            end if;\n");
    }
    std::fprintf(s, "        when others =>\n            STATE <= TEST_RESET_ST;\n        end case;\n");
    std::fprintf(s, "      end if;\n    end if;\n    end process;\n\n");

    if (trst) {
        std::fprintf(s, "    process (%s, %s)\n    begin\n", tck, trst);
        std::fprintf(s, "        if (%s = '0') then\n", trst);
        std::fprintf(s, "            RESET_reg    <= '0';\n            EN_reg       <= '0';\n"
                        "            SHIFT_IR_reg <= '0';\n            SHIFT_DR_reg <= '0';\n");
        std::fprintf(s, "        elsif (FALLING_EDGE(%s)) then\n", tck);
    } else {
        std::fprintf(s, "    process (%s)\n    begin\n", tck);
        std::fprintf(s, "        if (FALLING_EDGE(%s)) then\n", tck);
    }
    std::fprintf(s, "            if (STATE = TEST_RESET_ST) then\n                  RESET_reg <= '0';\n"
                    "            else  RESET_reg <= '1';\n            end if;\n\n");
    std::fprintf(s, "            if (STATE = SHIFT_DR_ST or STATE = SHIFT_IR_ST) then\n                  EN_reg <= '1';\n"
                    "            else  EN_reg <= '0';\n            end if;\n\n");
    std::fprintf(s, "            if (STATE = SHIFT_IR_ST) then\n                  SHIFT_IR_reg <= '1';\n"
                    "            else  SHIFT_IR_reg <= '0';\n            end if;\n\n");
    std::fprintf(s, "            if (STATE = SHIFT_DR_ST) then\n                  SHIFT_DR_reg <= '1';\n"
                    "            else  SHIFT_DR_reg <= '0';\n            end if;\n");
    std::fprintf(s, "        end if;\n    end process;\n\n\n");

    std::fprintf(s, "    SHIFT_IR  <= SHIFT_IR_reg;\n");
    std::fprintf(s, "    %s  <= SHIFT_DR_reg;\n", TAP_SHIFT_PIN);
    std::fprintf(s, "    %s     <= RESET_reg;\n", TAP_RST_PIN);
    std::fprintf(s, "    ENABLE    <= EN_reg;\n");
    std::fprintf(s, "    SELECT_DR <= '1' when (STATE(3) = '0') else '0';\n\n");

    struct Clock {
        const char* out;
        const char* a;
        const char* b;  // second state, or none
    };
    std::vector<Clock> clocks = {{"CLOCK_IR", "SHIFT_IR_ST", "CAPTURE_IR_ST"},
                                 {TAP_CLOCK_PIN, "SHIFT_DR_ST", "CAPTURE_DR_ST"},
                                 {"UPDATE_IR", "UPDATE_IR_ST", nullptr}};
    if (rtltap::has_update_dr()) clocks.push_back({TAP_UPDATE_PIN, "UPDATE_DR_ST", nullptr});
    for (const Clock& c : clocks) {
        std::string cond = c.b ? std::string("STATE = ") + c.a + " or STATE = " + c.b : std::string("STATE = ") + c.a;
        if (synch()) {
            std::fprintf(s, "    process(STATE)\n    begin\n");
            std::fprintf(s, "    if (%s) then\n", cond.c_str());
            std::fprintf(s, "          %s <= '1';\n    else  %s <= '0';\n", c.out, c.out);
        } else if (c.b) {
            std::fprintf(s, "    process(STATE, %s)\n    begin\n", tck);
            std::fprintf(s, "    if ((%s) and %s = '0') then\n", cond.c_str(), tck);
            std::fprintf(s, "          %s <= '0';\n    else  %s <= '1';\n", c.out, c.out);
        } else {
            std::fprintf(s, "    process(STATE, %s)\n    begin\n", tck);
            std::fprintf(s, "    if (%s and %s = '0') then\n", cond.c_str(), tck);
            std::fprintf(s, "          %s <= '1';\n    else  %s <= '0';\n", c.out, c.out);
        }
        std::fprintf(s, "    end if;\n    end process;\n\n");
    }
    std::fprintf(s, "end BEHAVIOR;\n\n");
}
