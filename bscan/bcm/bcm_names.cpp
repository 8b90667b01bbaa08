// The names of the boundary-cell module's parts (bscan/bcm/bcm.h): its
// cells' ports and the library pins behind them, its TAP ports and the
// TAP's instance, the position groups, and the control cells of a module
// by their table rows.
#include <cctype>
#include <string>

#include "bscan/bcm/bcm.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/strfmt.h"
#include "sdb/prefix.h"

using bsnames::or_text;

const char* bcm_port_suffix(BcmPort port) {
    switch (port) {
        case BcmPort::In: return "IN";
        case BcmPort::Out: return "OUT";
        case BcmPort::DataIn: return "DATA_IN";
        case BcmPort::PadOut: return "PAD_OUT";
        case BcmPort::DataOut: return "DATA_OUT";
        case BcmPort::PadIn: return "PAD_IN";
        case BcmPort::Oe: return "OE";
        case BcmPort::UpdOut: return "UPD_OUT";
        case BcmPort::MuxDataIn: return "MUX_DATA_IN";
        case BcmPort::Mode1: return "MODE1";
        case BcmPort::Mode2: return "MODE2";
        case BcmPort::PadScanIn: return "TDO";
        case BcmPort::PadScanOut: return "TDI";
        case BcmPort::PadShift: return "SHIFT_DR";
        case BcmPort::PadClock: return "CLOCK_DR";
        case BcmPort::PadUpdate: return "UPDATE_DR";
        case BcmPort::PadHighz: return "HIGHZ";
        case BcmPort::PadMode1: return "MODE_1";
        case BcmPort::PadMode2: return "MODE_2";
        case BcmPort::PadMode3: return "MODE_3";
        case BcmPort::PadReset: return "RST";
        case BcmPort::PadTck: return "TCK";
    }
    return "";
}

bool bcm_port_is_input(BcmPort port) {
    return port == BcmPort::In || port == BcmPort::DataIn || port == BcmPort::PadIn || port == BcmPort::Oe ||
           port == BcmPort::MuxDataIn || port == BcmPort::PadScanIn;
}

const char* bcm_port_pin(const ScanCellEntry& cell, BcmPort port) {
    switch (port) {
        case BcmPort::In:
        case BcmPort::DataIn: return cell.data_in;
        case BcmPort::Out:
        case BcmPort::PadOut: return cell.data_out;
        case BcmPort::DataOut: return cell.sys_in;
        case BcmPort::PadIn: return cell.sys_pin;
        case BcmPort::Oe: return cell.oe_mode;
        case BcmPort::UpdOut: return cell.update_dr_out;
        case BcmPort::MuxDataIn: return cell.mux_data_in;
        case BcmPort::Mode1:
        case BcmPort::Mode2: return nullptr;  // a module port alone, no cell pin
        case BcmPort::PadScanIn: return cell.tdo;
        case BcmPort::PadScanOut: return cell.tdi;
        case BcmPort::PadShift: return cell.shift_dr;
        case BcmPort::PadClock: return cell.clock_dr;
        case BcmPort::PadUpdate: return cell.update_dr;
        case BcmPort::PadHighz: return cell.highz;
        case BcmPort::PadMode1: return cell.mode1;
        case BcmPort::PadMode2: return cell.mode2;
        case BcmPort::PadMode3: return cell.mode3;
        case BcmPort::PadReset: return cell.rst;
        case BcmPort::PadTck: return cell.tck;
    }
    return nullptr;
}

int BcmModule::control_cell(int ref) const {
    return ref >= 0 && ref < static_cast<int>(control_numbers.size()) ? control_numbers[static_cast<size_t>(ref)] : -1;
}

int BcmModule::control_oe_cell(int ref) const {
    return ref >= 0 && ref < static_cast<int>(control_oe_numbers.size()) ? control_oe_numbers[static_cast<size_t>(ref)]
                                                                         : -1;
}

std::string bcm_position_name(const char* direction) {
    std::string name = or_text(direction, "");
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '_') ch = '_';
    return name;
}

std::string bcm_tap_port(const char* tap_pin) { return std::string("BCM_") + or_text(tap_pin, ""); }

std::string bcm_cell_port(int number, BcmPort port) {
    return STR_format("BCELL%d_%s", number, bcm_port_suffix(port));
}

std::string bcm_tap_instance() {
    return PREFIX_last_part(org_tap_instance_nameG ? org_tap_instance_nameG : or_text(TAP_INSTANCE_NAME, ""));
}
