// zr3ctl: the converter from the command line.
#include "ctl/command_line.h"

int main(int argc, char** argv) {
    return RunCommandLine(argc, argv);
}
