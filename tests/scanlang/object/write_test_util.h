// Writing DFT objects back in the tests: the writer's text of the current
// object, and the parse-write-parse round trip.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "scanlang/object/map_test_util.h"
#include "scanlang/object/write_dft.h"

namespace writetest {

// What print_scan_object_to_file writes for the current object.
inline std::string written(int flag = 1) {
    not_print_self_comment_flag = flag;
    FILE* f = std::tmpfile();
    if (!f) return "<no temporary file>";
    print_scan_object_to_file(f, flag);
    std::string text;
    std::rewind(f);
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);
    return text;
}

inline std::string values(const std::optional<ValueRecord>& v) {
    if (!v) return "none";
    std::ostringstream s;
    s << v->integer << "/" << v->real;
    return s.str();
}

inline std::string names(const TextList& l) {
    std::string s;
    for (const std::string& n : l) s += n + ",";
    return s;
}

inline std::string names(const DynArray<std::string>& l) { return l ? "(" + names(*l) + ")" : "none"; }

inline std::string timing(const std::optional<SetTimingRecord>& t) {
    if (!t) return "none";
    std::ostringstream s;
    auto pins = [&](const std::vector<PinRecord>& l) {
        for (const PinRecord& p : l) {
            s << "[" << names(p.pins);
            for (double d : p.times) s << d << " ";
            s << "]";
        }
        s << ";";
    };
    s << t->cycle << ";";
    pins(t->p_clock), pins(t->n_clock), pins(t->pi_time), pins(t->po_time), pins(t->io_time);
    s << t->default_pi_time << ";" << t->default_po_time << ";";
    for (double d : t->default_io_times) s << d << " ";
    s << ";" << t->precision << ";" << t->type;
    return s.str();
}

// Everything the written sections hold, source lines aside.
inline std::string describe(const DftObject& o) {
    std::ostringstream s;
    if (o.select_scan) {
        const SelectScanRecord& r = *o.select_scan;
        s << "select " << values(r.scan_init) << " " << values(r.scan_incr) << " " << values(r.scan_max) << " "
          << names(r.dont_scan_type) << " " << names(r.must_scan_type) << " " << names(r.dont_scan_module) << " "
          << names(r.dont_scan) << " " << names(r.must_scan) << "\n";
    }
    for (const SequenceRecord& q : o.sequences) {
        s << "sequence " << q.name << " " << q.cycle_length << " " << q.frame_length << " {";
        if (q.force_order)
            for (const ForceOrderEntry& e : *q.force_order) {
                const ForceItemRecord& f = (e.kind == FORCE_ORDER_FORCE ? q.forces : q.force_clocks).at(e.index);
                s << e.kind << ":" << f.name << "=" << f.value << " ";
            }
        s << "} " << timing(q.set_timing) << " | " << timing(q.launch_timing) << " | " << timing(q.capture_timing)
          << "\n";
    }
    if (o.wrapper)
        for (const WrapperRecord& w : *o.wrapper) {
            s << "wrapper " << w.type << " " << names(w.skip_signals) << " " << names(w.instructions) << " "
              << w.wrapper_chain_file << " cells";
            if (w.cells)
                for (const WrapperCellEntry& c : *w.cells) s << " " << c.first << "/" << c.second;
            s << " chains";
            if (w.chains)
                for (const WrapperChainEntry& c : *w.chains)
                {
                    s << " " << c.name << ":" << c.clock1 << "," << c.clock2;
                    for (const auto& k : c.more_clocks) s << "," << k.name;
                    s << "," << c.scan_in << "," << c.scan_out;
                }
            s << "\n";
        }
    if (o.gristel_info)
        for (const GristelInfoRecord& g : *o.gristel_info) {
            s << "gristel " << g.top_module << " " << g.speed_ratio;
            if (g.groups)
                for (const GristelGroupRecord& e : *g.groups)
                    s << " [" << e.name << " " << e.speed_ratio << " " << e.tddm_name << " " << e.tddm_in << " "
                      << e.tddm_clock << " " << names(e.tddm_chain_order) << " " << e.tdm_name << " " << e.tdm_out
                      << " " << e.tdm_clock << " " << e.clear << " " << names(e.tdm_chain_order) << "]";
            s << "\n";
        }
    if (o.def_info)
        for (const DefInfoRecord& d : *o.def_info) {
            s << "def";
            if (d.partitions)
                for (const DefPartitionEntry& p : *d.partitions) s << " " << names(p.names);
            s << "\n";
        }
    if (o.clock_period)
        for (const ClockPeriodEntry& c : o.clock_period->clocks) s << "period " << c.name << "=" << c.period << "\n";
    auto sequences = [&](const DynArray<const SequenceRecord*>& l) {
        s << "(";
        if (l)
            for (const SequenceRecord* q : *l) s << (q ? q->name : "?") << ",";
        s << ")";
    };
    auto patset = [&](const CorePatsetRecord& p) {
        s << " <" << p.name << " " << p.dft_file << " " << p.btp << " " << p.tp << " " << p.int_value << " " << p.option;
        sequences(p.preamble), sequences(p.force_sequences);
        s << ">";
    };
    // A block without a core name shows as a core without a name.
    auto core = [&](const CoreInfoRecord& c) {
        s << "core " << c.core_name << " " << c.dft_file << " " << c.lbist_file << " " << names(c.clock_ports)
          << names(c.set_reset_ports) << names(c.bidi_ports) << names(c.scan_in_ports) << names(c.scan_out_ports)
          << names(c.tie0) << names(c.tie1) << " pre";
        sequences(c.preamble);
        s << " fix";
        if (c.dont_fix_info)
            for (const DontFixEntry& d : *c.dont_fix_info) s << " " << d.name << "{" << d.value << "}";
        if (c.instructions)
            for (const CoreInstructionRecord& r : *c.instructions) {
                s << " [" << r.name << " " << r.mode;
                sequences(r.sequences);
                if (r.sequence_kinds)
                    for (int k : *r.sequence_kinds) s << k;
                for (const CorePatsetRecord& p : r.patsets) patset(p);
                s << "]";
            }
        if (c.patsets)
            for (const CorePatsetRecord& p : *c.patsets) patset(p);
        s << "\n";
    };
    if (o.core_section) {
        for (const CoreInfoRecord& c : o.core_section->cores) core(c);
        for (const CoreInfoRecord& c : o.core_section->unnamed_blocks) core(c);
    }
    if (o.test_files)
        s << "files " << o.test_files->mbist_file << " " << o.test_files->lbist_file << " " << o.test_files->bsd_file
          << " " << o.test_files->macro_test << "\n";
    if (!o.top_module.empty()) s << "top " << o.top_module << "\n";
    if (o.mbist_control)
        for (const MbistControlEntry& e : *o.mbist_control) {
            s << "mbist " << e.number;
            for (const auto& signal : e.signals)
                s << " " << (signal ? signal->instance + "." + signal->pin : "-");
            s << "\n";
        }
    for (const MbistBsdInstructionRecord& r : o.mbist_bsd)
        s << "bsd " << r.block << " " << r.name << " " << r.mbist_clock << " " << r.mbist_mdf << "\n";
    auto seq = [](const SequenceRecord* q) { return q ? q->name : std::string("-"); };
    for (std::size_t i = 0; i < o.instructions.size(); ++i) {
        const InstructionRecord& r = o.instructions[i];
        s << "instruction " << r.name << " " << r.mode << " pre";
        for (const SequenceRecord* q : r.preamble_list) s << " " << seq(q);
        s << " " << seq(r.shift) << " " << seq(r.propagate) << " " << seq(r.hold) << " " << seq(r.runbist) << " "
          << seq(r.capture) << " " << seq(r.ram_write) << " extra";
        for (const SequenceRecord* q : r.extra_seq_list) s << " " << seq(q);
        s << " post";
        for (const SequenceRecord* q : r.postamble_list) s << " " << seq(q);
        s << " steps";
        for (const InstrOrderTabRecord& e : o.instr_order_tab)
            if (e.instruction_index == static_cast<int>(i)) s << " " << e.step_kind;
        s << "\n";
    }
    if (o.pll_clock_fix)
        for (const PllClockFixEntry& e : *o.pll_clock_fix) {
            s << "fix " << e.name << " " << e.scope << " " << e.pll_path;
            if (e.fixes)
                for (const PllClockFixItem& f : *e.fixes)
                    s << " [" << f.kind << " " << f.name << " " << f.period << " " << f.pll_clock_inport << " "
                      << f.pll_clock_outport << " " << f.from_internal_pll_clock_wire << " "
                      << f.from_internal_scan_clock_wire << " " << f.from_external_pll_clock_inport << " "
                      << f.from_external_scan_clock_inport << " " << f.from_clock_generator << " "
                      << f.from_clock_generator_outport << " " << f.new_internal_pll_clock_wire << " "
                      << f.new_external_pll_clock_inport << " " << f.new_scan_clock_enable_inport << " "
                      << f.new_lbist_domain_clock_outport << " " << f.through_clock_generator << " "
                      << f.through_clock_generator_inport << " " << f.drive_clock_wire << "]";
            s << "\n";
        }
    auto clocks = [&](const DynArray<PllClockInfo>& l) {
        if (l)
            for (const PllClockInfo& c : *l)
                s << " <" << c.period << " " << c.clock_name << "=" << c.clock_value << " " << c.clock_net << " "
                  << c.lb_clock_name << "=" << c.lb_clock_value << " " << c.enable << " " << c.ext_port << " "
                  << names(c.buffers) << ">";
    };
    if (o.pll)
        for (const PllInfo& p : *o.pll) {
            s << "pll " << p.name << " " << p.fix_fb_clock_in_test << " " << p.fb_enable;
            clocks(p.ref_clocks), clocks(p.fb_clocks), clocks(p.output_clocks);
            s << " " << names(p.force0) << names(p.force1) << names(p.constant0) << names(p.constant1)
              << names(p.dont_modify) << " " << p.auto_constant;
            if (p.scan_ck_muxes)
                for (const ScanCkMuxEntry& m : *p.scan_ck_muxes)
                    s << " mux " << m.name << " " << m.pll_ck_pin << " " << m.scan_ck_pin << " " << m.clk_net;
            if (p.two_pulse_gens)
                for (const TwoPulseGenEntry& g : *p.two_pulse_gens)
                    s << " gen " << g.name << " " << g.capture_mode << " " << g.finish_mode << " " << g.reset_mode;
            s << "\n";
        }
    if (o.blackbox)
        for (const BlackboxInfo& b : *o.blackbox)
            s << "blackbox " << b.instance_name << " " << b.module_name << " " << names(b.force0) << names(b.force1)
              << names(b.constant0) << names(b.constant1) << names(b.dont_modify) << names(b.clocks) << " "
              << b.input_mode << " " << b.output_mode << "\n";
    if (o.read_map) s << "read_map " << o.read_map->file_name << "\n";
    if (o.lockup_latch_file) s << "lockup " << o.lockup_latch_file->file_name << "\n";
    for (const FileRefRecord& r : o.more_lockup_latch_files) s << "lockup " << r.file_name << "\n";
    if (o.lockup_latch_list) s << "lockup names " << names(*o.lockup_latch_list) << "\n";
    if (o.modify_cmd) s << "modify " << o.modify_cmd->file_name << "\n";
    if (o.scan_repair)
        s << "repair " << o.scan_repair->net_name << " " << o.scan_repair->shift << " " << o.scan_repair->hold << " "
          << o.scan_repair->capture << "\n";
    if (o.test_schedule) s << "schedule " << names(o.test_schedule->sessions) << "\n";
    for (const TestScheduleRecord& r : o.more_test_schedules) s << "schedule " << names(r.sessions) << "\n";
    if (o.test_session)
        for (const TestSessionEntry& e : *o.test_session) {
            s << "session " << e.name;
            if (e.pairs)
                for (const TestSessionPair& p : *e.pairs) s << " " << p.first << "." << p.second;
            s << "\n";
        }
    std::vector<const TestArchitectureRecord*> architectures;
    if (o.test_architecture) architectures.push_back(&*o.test_architecture);
    for (const TestArchitectureRecord& a : o.more_test_architectures) architectures.push_back(&a);
    for (const TestArchitectureRecord* architecture : architectures) {
        const TestArchitectureRecord& a = *architecture;
        s << "architecture " << a.type << " " << a.test_controller;
        auto port = [&](const std::optional<TamPortRecord>& r) {
            if (r) s << " <" << r->name << " " << r->port << " " << r->pad << " " << r->pad_other << ">";
        };
        if (a.tam_cores)
            for (const TamCoreEntry& c : *a.tam_cores) {
                s << " [" << c.core_name;
                for (const TamPortRecord& r : c.earlier_tam_ins) port(r);
                port(c.tam_in);
                for (const TamPortRecord& r : c.earlier_tam_outs) port(r);
                port(c.tam_out);
                if (c.ports)
                    for (const TamPortInfoEntry& p : *c.ports) s << " " << p.name << ":" << p.type << names(p.port_map);
                s << "]";
            }
        s << "\n";
    }
    if (o.scan_decoder) {
        const ScanDecoderRecord& d = *o.scan_decoder;
        s << "decoder " << d.decoder_name << " " << d.decoder_scan_mode << " " << d.decoder_scan_mode_inv << " "
          << d.decoder_test_mode << " " << d.decoder_test_mode_inv << " " << d.scan_clk << " " << d.position;
        auto port = [&](const std::optional<ControlPortRecord>& p, int form) {
            if (p) s << " <" << form << " " << p->port_name << " " << p->pad_name << " " << p->pad_out << " " << p->polarity << ">";
            else s << " -";
        };
        port(d.scan_mode, d.scan_mode_form), port(d.test_mode, d.test_mode_form);
        port(d.override_mode, d.override_mode_form), port(d.ram_write, d.ram_write_form);
        if (d.kr_mode) {
            s << " kr";
            if (d.kr_mode->ports)
                for (const KrModePort& p : *d.kr_mode->ports) s << " " << p.port_name << "=" << p.value;
            s << " " << d.kr_mode->pad_name << " " << d.kr_mode->pad_out << " " << d.kr_mode->polarity;
        }
        for (const auto* r : {&d.scan_mode_out, &d.scan_mode_inv_out, &d.test_mode_out, &d.test_mode_inv_out,
                              &d.override_mode_out, &d.override_mode_inv_out})
            s << (*r ? " " + (*r)->instance_name + "." + (*r)->pin_name : std::string(" -"));
        s << "\n";
    }
    if (o.ta_constraints) {
        const TaConstraintsRecord& t = *o.ta_constraints;
        s << "ta";
        for (const auto* l : {&t.ta_clock_list, &t.force_list, &t.force_clock_list}) {
            s << " [";
            for (const Ident2Record& i : *l) s << i.first << "=" << i.second << ",";
            s << "]";
        }
        s << " " << names(t.ta_dft);
        for (const auto* l : {&t.isolate_mod, &t.isolate_ram, &t.isolate_reg}) {
            s << " [";
            for (const TaIsolateRecord& r : *l) {
                s << r.name << "{";
                for (const Ident2Record& i : r.forced) s << i.first << "=" << i.second << ",";
                s << "}";
            }
            s << "]";
        }
        s << " " << t.init_patterns << "\n";
    }
    for (const ScanModuleRecord& m : o.scan_module) {
        s << "module " << m.name << " " << m.scan_in << " " << m.scan_out << " " << m.scan_mode << " " << m.test_mode;
        if (m.dont_fix_info)
            for (const DontFixEntry& d : *m.dont_fix_info) s << " " << d.name << "{" << d.value << "}";
        s << "\n";
    }
    if (o.port_info)
        for (const PortInfoEntry& e : *o.port_info) {
            s << "port " << e.name << " " << e.type;
            for (const auto* l : {&e.pads, &e.port_maps}) {
                s << " [";
                if (*l)
                    for (const PortPadEntry& p : **l) s << p.name << names(p.names);
                s << "]";
            }
            s << "\n";
        }
    if (o.scan_in_list || o.core_no_scan || o.scan_out_list || o.nontpi_instance)
        s << "lists " << names(o.scan_in_list) << names(o.core_no_scan) << names(o.scan_out_list)
      << names(o.nontpi_instance) << "\n";
    if (o.gui_info)
        s << "gui " << o.gui_info->path << "|" << o.gui_info->extraction << "|" << o.gui_info->drc << "|"
          << o.gui_info->init_conflict << "|" << o.gui_info->unknown << "\n";
    if (o.capture_clock)
        for (const CaptureClockEntry& c : *o.capture_clock) s << "capture " << c.first << "=" << c.second << "\n";
    if (o.hookup)
        for (const HookupEntry& e : o.hookup->entries)
            s << "hookup " << e.name << " " << e.instance_name << " " << e.pin_name << "\n";
    auto paths = [&](const char* head, const DynArray<PathEntry>& l) {
        if (!l) return;
        for (const PathEntry& e : *l) {
            s << head << " " << e.cycle << " " << names(e.file_names) << names(e.from) << names(e.to);
            if (e.through)
                for (const TextList& t : *e.through) s << " " << names(t);
            s << "\n";
        }
    };
    paths("multicycle", o.multicycle_path_list), paths("false", o.false_path_list);
    if (o.critical_path)
        for (const TextList& p : *o.critical_path) s << "cpath " << names(p) << "\n";
    if (o.fennox_info)
        for (const FennoxInfoEntry& e : *o.fennox_info)
            s << "fennox " << e.name << " " << names(e.chain_order) << names(e.virtual_source)
              << names(e.virtual_control) << "\n";
    if (o.ciphertext) s << "cipher " << names(o.ciphertext) << "\n";
    if (!o.instruction_binary.empty() || o.register_length != -1)
        s << "binary " << o.instruction_binary << " " << o.register_length << "\n";
    for (const auto* l : {&o.fennox_in_groups, &o.fennox_out_groups})
        if (*l)
            for (const FennoxGroup& g : **l) {
                s << "group " << g.name;
                for (const FennoxGroupItem& i : g.items) {
                    s << " [" << i.text << "," << i.text2_head << "," << i.text2 << "," << i.text3_head << ","
                      << i.text3 << "," << i.q_name << "," << names(i.flags) << i.reg_index << "]";
                }
                s << "\n";
            }
    // The connection sections.
    auto port = [&](const PortRecord& p) { s << " port<" << p.name << " " << p.scan_in2 << " " << p.scan_out2 << " " << p.default_value << ">"; };
    auto connect_lists = [&](const std::vector<SelectRecord>& selects, const std::vector<ClockRecord>& clocks,
                             const std::vector<InstancesRecord>& lists) {
        for (const SelectRecord& x : selects) s << " select<" << x.name << " " << x.select << " " << x.global_select << ">";
        for (const ClockRecord& c : clocks)
            s << " clock<" << c.name << " " << c.clock << " " << c.global_clock << " " << c.global_clock_first << "{"
              << c.global_clock_second << "} " << c.polarity << ">";
        for (const InstancesRecord& l : lists) {
            s << " instances<" << l.file_name;
            for (const GroupListRecord& g : l.groups) {
                s << " [";
                for (std::size_t e : g.elements) s << (e < l.elements.size() ? l.elements[e].instance : "?") << " ";
                s << "]";
            }
            s << ">";
        }
    };
    for (const ConnectScanRecord& r : o.connect_scan) {
        s << "connect_scan " << r.first_name << " " << r.second_name << " " << r.ms_violation;
        if (r.scan_delay) s << " delay<" << r.scan_delay->delay_out << " " << r.scan_delay->delay_out_default << " " << r.scan_delay->scan_test << ">";
        if (r.scan_pad) {
            const ScanPadRecord& p = *r.scan_pad;
            s << " pad<" << p.sdi_pad_name << " " << p.sdo_pad_name << " " << p.sdi_pad_out << " " << p.sdo_pad_in << " "
              << names(p.sdi_pad_classes) << " " << names(p.sdo_pad_classes) << ">";
        }
        if (r.scan_port) port(*r.scan_port);
        connect_lists(r.scan_selects, r.scan_clocks, r.instances);
        if (r.scan_instruction) s << " instruction " << r.scan_instruction->name;
        s << "\n";
    }
    for (const ConnectCoreRecord& r : o.connect_core) {
        s << "connect_core " << r.name << " " << r.instance_name << " " << r.module_name << " " << r.file_name;
        if (r.core_instruction) s << " core " << r.core_instruction->name;
        if (r.system_instruction) s << " system " << r.system_instruction->name;
        for (const PortRecord& p : r.scan_ports) port(p);
        s << "\n";
    }
    for (const ConnectBistRecord& r : o.connect_bist) {
        s << "connect_bist " << r.first_name << " " << r.second_name << " " << r.bist_type_given << r.bist_type;
        if (r.bist_port) port(*r.bist_port);
        connect_lists(r.bist_selects, r.bist_clocks, r.instances);
        if (r.bist_instruction)
            s << " instruction " << (r.bist_instruction->instruction ? r.bist_instruction->instruction->name : "")
              << " " << r.bist_instruction->seed_given << r.bist_instruction->pattern;
        s << "\n";
    }
    if (o.empty_atpg_constraints) s << "empty atpg_constraints\n";
    if (o.atpg_constraints)
        for (const AtpgScanOptionRecord& m : o.atpg_constraints->options) {
            auto pairs = [&](const char* tag, const std::vector<Ident2Record>& l) {
                for (const Ident2Record& r : l) s << " " << tag << " " << r.first << "=" << r.second;
            };
            auto entries = [&](const char* tag, const std::vector<TwoIdentListRecord>& l) {
                for (const TwoIdentListRecord& e : l) s << " " << tag << " " << names(e.first) << "=" << names(e.second);
            };
            s << "atpg_mode " << m.name;
            pairs("force", m.force_list);
            pairs("control", m.control_list);
            pairs("cell", m.control_cell_list);
            if (m.strobe) s << " strobe " << m.strobe->first << "=" << m.strobe->second;
            s << " autosave " << m.autosave << " skip";
            for (int n : m.skip_faults) s << " " << n;
            entries("illegal", m.illegal_inputs);
            entries("legal", m.legal_inputs);
            entries("written_legal", m.written_legal_inputs);
            entries("gray", m.gray_code);
            for (const PowerListNode& e : m.power_on_reset) s << " por " << names(e.names);
            for (const PowerListNode& e : m.power_on_set) s << " pos " << names(e.names);
            pairs("reset", m.reset_list);
            pairs("reset_disable", m.reset_disable_list);
            pairs("set", m.set_list);
            pairs("set_disable", m.set_disable_list);
            pairs("ram", m.ram_list);
            pairs("clock", m.atpg_clock_list);
            for (const TextList* l : {&m.black_box, &m.bypass, &m.uncontrol, &m.uncontrol_chain, &m.unobserve,
                                      &m.unobserve_chain, &m.skip_bus, &m.no_floating, &m.skew_ff,
                                      &m.dont_fault_module})
                s << " " << names(*l);
            s << " feedback " << m.feedback_loops;
            entries("ram_read", m.ram_read_list);
            entries("ram_write", m.ram_write_list);
            for (const DoubleTwoIdentListRecord& c : m.combine_legal) s << " combined " << c.members.size();
            s << "\n";
        }
    if (o.select_fault) {
        const SelectFaultRecord& r = *o.select_fault;
        s << "select_fault " << r.fault_model << " " << values(r.random_sample);
        if (r.statistical_sample)
            s << " stat<" << values(r.statistical_sample->precision) << " " << values(r.statistical_sample->confidence) << ">";
        s << " " << names(r.dont_fault_type) << " " << names(r.must_fault_type) << " " << names(r.dont_fault) << "/"
          << r.dont_fault_num << " " << names(r.must_fault) << "/" << r.must_fault_num << " " << names(r.dont_fault_module)
          << " " << r.fault_order << " " << r.file_name << " " << r.dont_fault_file << " " << r.must_fault_file;
        if (r.dont_fault_paths)
            for (const DontFaultPathEntry& p : *r.dont_fault_paths) s << " " << p.name << "'" << p.pattern << "'";
        s << "\n";
    }
    if (o.test_conversion) {
        const TestConversionRecord& r = *o.test_conversion;
        s << "conversion " << timing(r.set_timing);
        for (const CaptureClockRecord& c : r.test_c_clock) s << " clock " << c.first << "=" << c.second;
        for (const CaptureClockRecord& c : r.test_b_clock) s << " bist_clock " << c.first << "=" << c.second;
        for (const auto* l : {&r.ram_read_list, &r.ram_write_list})
            for (const TwoIdentListRecord& e : *l) s << " ram " << names(e.first) << "=" << names(e.second);
        s << " remove " << names(r.remove_pins);
        if (r.diff_pads)
            for (const DiffPadEntry& d : *r.diff_pads) s << " diff " << d.name << " " << d.p_pad << " " << d.n_pad;
        s << "\n";
    }
    return s.str();
}

// Parses `text`, writes the object, parses that and writes it again: the
// second object equals the first and the second text the first.
inline void expect_round_trip(const std::string& text, const std::string& dir = "") {
    DftObject* first = maptest::map_text(text, dir);
    ASSERT_NE(first, nullptr);
    const std::string before = describe(*first);
    const std::string out1 = written(1);
    if (before.empty()) {
        // Nothing of the sections written: nothing but the frame comes out.
        EXPECT_EQ(out1.find("\n  %"), std::string::npos) << out1;
        return;
    }
    DftObject* second = maptest::map_text(out1, dir);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(describe(*second), before) << out1;
    EXPECT_EQ(written(1), out1);
}

}  // namespace writetest
