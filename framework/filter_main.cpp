// The shared entry of the raster filters.
#include "framework/filter_main.h"
#include "framework/messages.h"
#include "framework/sprite.h"
#include "framework/sprite_file.h"
#include "platform/exit_contract.h"

ErrorRecord *filter_run(int argc, char **argv, const FilterProgram &program) {
    if (argc < 3) return error_from_format(0, "%s", program.usage);
    if (program.preallocate_message_table) message_table_append("", 0);
    message_table_load("Messages.txt"); // a missing table only leaves tokens as bare keys

    static CodeTableNode node;
    static bool registered = false;
    if (!registered) {
        register_code_table(kFrameworkCodes, &node);
        registered = true;
    }
    sprite_file_set_creator(program.creator);
    // Entry 0 is what gets written: each conversion starts from an empty list.
    sprite_list_clear(&sprite_list);
    if (ErrorRecord *error = program.read(argv[1])) return error;
    return sprite_file_write(&sprite_list, 0, argv[2]);
}

int filter_main(int argc, char **argv, const FilterProgram &program) {
    ErrorRecord *error = filter_run(argc, argv, program);
    return error == nullptr ? 0 : platform::failure_exit_code(error->text);
}
