// The command interpreter's start-up and the reset of its state.
#include "runtime/cmd.h"

#include <cstdlib>
#include <memory>

#include "runtime/dyna.h"
#include "runtime/fnm.h"

CmdControlBlock* cmd_ccb = nullptr;

namespace {

std::unique_ptr<CmdControlBlock> ccb_owner;

void free_lines(char*** list) {
    if (!*list) return;
    for (int i = 0; i < DYNA_count(*list); ++i) std::free((*list)[i]);
    DYNA_free(list);
    *list = nullptr;
}

void free_pairs(CmdNameValue** table) {
    if (!*table) return;
    for (int i = 0; i < DYNA_count(*table); ++i) {
        std::free((*table)[i].name);
        std::free((*table)[i].value);
    }
    DYNA_free(table);
    *table = nullptr;
}

}  // namespace

int CMD_queue_cursor() {
    return cmd_ccb && cmd_ccb->queue ? DYNA_header(cmd_ccb->queue)->reserved[0] : -1;
}

void CMD_set_queue_cursor(int cursor) {
    if (cmd_ccb && cmd_ccb->queue) DYNA_header(cmd_ccb->queue)->reserved[0] = cursor;
}

int CMD_init() {
    if (cmd_ccb) CMD_terminate();
    ccb_owner = std::make_unique<CmdControlBlock>();
    cmd_ccb = ccb_owner.get();
    cmd_ccb->queue = DYNA_new<char*>();
    CMD_set_queue_cursor(-1);
    cmd_ccb->aliases = DYNA_new<CmdNameValue>();
    cmd_ccb->variables = DYNA_new<CmdNameValue>();
    cmd_ccb->keys = DYNA_new<CmdNameValue>();
    cmd_ccb->history = DYNA_new<char*>(CMD_HISTORY_SIZE);
    cmd_ccb->history_first = 1;
    CMD_special_set("path", CMD_path);
    CMD_special_set("log", CMD_log);
    CMD_special_set("batch", CMD_batch);
    PRO_set_modify(0);
    CMD_set_path(std::getenv("QUENDAL"), ".", "designs:lib:mirdale_lib", nullptr);
    return 0;
}

CmdControlBlock::~CmdControlBlock() {
    if (batch) std::fclose(batch);
    for (FILE* f : outer_batches) std::fclose(f);
    std::free(prompt);
    free_lines(&queue);
    free_lines(&history);
    free_pairs(&aliases);
    free_pairs(&variables);
    free_pairs(&keys);
}

int CMD_terminate() {
    if (!cmd_ccb) return 0;
    cmd_ccb = nullptr;
    ccb_owner.reset();
    return 0;
}

void CMD_reset_globals() {
    CMD_terminate();
    CMD_set_dictionary(nullptr);
    HELP_terminate();
    PRO_reset_globals();
    CMD_reset_arg_state();
    onbreak(nullptr);
}
