// The help texts of the tool and of each command.
#pragma once

// Prints the general help, or the command's when command is not CLI_NONE.
void print_help(int command);
