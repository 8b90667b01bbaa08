// Sequences, test schedule, test sessions and test architecture mapped
// from their sections.
#include <gtest/gtest.h>

#include "scanlang/object/map_test_util.h"

namespace {

using namespace maptest;
using MapSequences = MapTest;

TEST_F(MapSequences, FixtureSequencesFieldByField) {
    DftObject* o = map_fixture("ports_sequences.dft");
    ASSERT_NE(o, nullptr);
    ASSERT_EQ(o->sequences.size(), 3u);
    struct Row {
        const char* name;
        std::size_t forces, clocks;
        int cycle_length, frame_length;
    };
    const Row rows[] = {{"load", 1, 1, 1, -1}, {"pulse", 0, 1, 3, -1}, {"idle", 1, 0, 1, -1}};
    for (std::size_t i = 0; i < 3; ++i) {
        const SequenceRecord& s = o->sequences[i];
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(s.name, rows[i].name);
        EXPECT_EQ(s.forces.size(), rows[i].forces);
        EXPECT_EQ(s.force_clocks.size(), rows[i].clocks);
        EXPECT_EQ(s.cycle_length, rows[i].cycle_length);
        EXPECT_EQ(s.frame_length, rows[i].frame_length);
        EXPECT_EQ(s.line, 11 + static_cast<int>(i));
        EXPECT_EQ(s.name_line, s.line);
        EXPECT_FALSE(s.set_timing || s.launch_timing || s.capture_timing);
    }
    // %FORCE se = '1'; %CLOCK clk;  -> order {force 0, clock 0}; the clock has no value.
    const SequenceRecord& load = o->sequences[0];
    ASSERT_TRUE(load.force_order);
    ASSERT_EQ(load.force_order->size(), 2u);
    EXPECT_EQ((*load.force_order)[0].kind, FORCE_ORDER_FORCE);
    EXPECT_EQ((*load.force_order)[1].kind, FORCE_ORDER_FORCE_CLOCK);
    EXPECT_EQ(load.forces[0].name, "se");
    EXPECT_EQ(load.forces[0].value, "1");
    EXPECT_EQ(load.force_clocks[0].name, "clk");
    EXPECT_EQ(load.force_clocks[0].value, "");
    EXPECT_EQ(o->sequences[1].force_clocks[0].value, "010");
}

TEST_F(MapSequences, ForceOrderFollowsTheSourceAcrossBothLists) {
    DftObject* o = map_text("%SEQUENCE s { %FORCE_CLOCK c1; %FORCE a = '1'; %FORCE_CLOCK c2 = '01'; "
                            "%FORCE b = '0'; %FRAME_LENGTH = 7; }");
    const SequenceRecord& s = o->sequences.at(0);
    ASSERT_TRUE(s.force_order);
    std::string order;
    for (const ForceOrderEntry& e : *s.force_order)
        order += (e.kind == FORCE_ORDER_FORCE ? s.forces : s.force_clocks).at(e.index).name + " ";
    EXPECT_EQ(order, "c1 a c2 b ");
    EXPECT_EQ(s.frame_length, 7);
}

TEST_F(MapSequences, SetTimingBlocksByTypeAndTheLaterOneWins) {
    DftObject* o = map_text("%SEQUENCE s { %FORCE a = '1';\n"
                            "%SET_TIMING { %CYCLE 10; }\n"
                            "%SET_TIMING { %TYPE LAUNCH; %CYCLE 20; }\n"
                            "%SET_TIMING { %TYPE LAUNCH; %CYCLE 30; }\n"
                            "%SET_TIMING { %TYPE CAPTURE; %CYCLE 40; } }");
    const SequenceRecord& s = o->sequences.at(0);
    ASSERT_TRUE(s.set_timing && s.launch_timing && s.capture_timing);
    EXPECT_EQ(s.set_timing->cycle, 10);
    EXPECT_EQ(s.launch_timing->cycle, 30);
    EXPECT_EQ(s.capture_timing->cycle, 40);
    ASSERT_TRUE(Luanch_timingG && Capture_timingG);
    EXPECT_EQ(Luanch_timingG->cycle, 30);
    EXPECT_EQ(Capture_timingG->cycle, 40);
}

TEST_F(MapSequences, SetTimingTypeOtherThanLaunchOrCaptureEndsTheRun) {
    auto r = map_in_child("%SEQUENCE s { %FORCE a = '1'; %SET_TIMING { %TYPE launch; %CYCLE 2; } }");
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("Error: the %TYPE must be LAUNCH or CAPTURE in the set timing block in the dft file !\n"),
              std::string::npos)
        << r.out << r.err;
}

TEST_F(MapSequences, ScheduleSessionsAndArchitectureFromTheFixture) {
    DftObject* o = map_fixture("test_sessions.dft");
    ASSERT_TRUE(o->test_schedule && o->test_schedule->sessions);
    EXPECT_EQ(*o->test_schedule->sessions, (std::vector<std::string>{"s1", "s2"}));

    ASSERT_TRUE(o->test_session);
    ASSERT_EQ(o->test_session->size(), 2u);
    const TestSessionEntry& s1 = (*o->test_session)[0];
    EXPECT_EQ(s1.name, "s1");
    ASSERT_TRUE(s1.pairs);
    ASSERT_EQ(s1.pairs->size(), 2u);
    EXPECT_EQ((*s1.pairs)[1].first, "core_b");
    EXPECT_EQ((*s1.pairs)[1].second, "scan");
    EXPECT_EQ((*o->test_session)[1].pairs->at(0).second, "lbist");

    ASSERT_TRUE(o->test_architecture);
    const TestArchitectureRecord& a = *o->test_architecture;
    EXPECT_EQ(a.type, "daisy");
    EXPECT_EQ(a.test_controller, "tc1");
    ASSERT_TRUE(a.tam_cores);
    ASSERT_EQ(a.tam_cores->size(), 2u);
    const TamCoreEntry& ca = (*a.tam_cores)[0];
    EXPECT_EQ(ca.core_name, "core_a");
    ASSERT_TRUE(ca.tam_in && ca.tam_out);
    const TamPortRecord expected_in{"t_in1", "tip", "tipad", "tipo"}, expected_out{"t_out1", "top", "topad", "topi"};
    for (auto [got, want] : {std::pair{&*ca.tam_in, &expected_in}, std::pair{&*ca.tam_out, &expected_out}}) {
        EXPECT_EQ(got->name, want->name);
        EXPECT_EQ(got->port, want->port);
        EXPECT_EQ(got->pad, want->pad);
        EXPECT_EQ(got->pad_other, want->pad_other);
    }
    ASSERT_TRUE(ca.ports);
    ASSERT_EQ(ca.ports->size(), 1u);
    EXPECT_EQ((*ca.ports)[0].name, "p");
    EXPECT_EQ((*ca.ports)[0].type, "clock");
    EXPECT_EQ((*ca.ports)[0].port_map, (std::vector<std::string>{"a", "b"}));
    const TamCoreEntry& cb = (*a.tam_cores)[1];
    EXPECT_EQ(cb.tam_in->port, "tip2");
    EXPECT_EQ(cb.tam_in->pad, "");
    EXPECT_FALSE(cb.tam_out);
    EXPECT_FALSE(cb.ports);
}

TEST_F(MapSequences, AbsentSectionsStayNoneAndAnArchitectureWithoutTamConfigHasNoCores) {
    DftObject* o = map_text("%TEST_ARCHITECTURE { %TYPE = t; }");
    EXPECT_TRUE(o->sequences.empty());
    EXPECT_FALSE(o->test_schedule);
    EXPECT_FALSE(o->test_session);
    ASSERT_TRUE(o->test_architecture);
    EXPECT_FALSE(o->test_architecture->tam_cores);
}

}  // namespace
