#include "sim/program/command_line.h"

#include <string_view>

#include "sim/model/control_commands.h"

namespace {

bool NeedsValue(std::string_view option) {
    for (std::string_view name :
         {"--device", "--link", "--identity", "--firmware", "--serial", "--output-variant",
          "--relay-variant", "--reaction-ms", "--fault", "--control", "--trace", "--seed",
          "--temperature", "--conductivity", "--cell-constant", "--cable-capacity"}) {
        if (option == name) return true;
    }
    return false;
}

bool ByteOption(std::string_view text, uint8_t& value) {
    uint64_t number = 0;
    if (!sim::ParseUnsigned(text, number) || number > 0xFF) return false;
    value = static_cast<uint8_t>(number);
    return true;
}

}  // namespace

CommandLineResult ParseCommandLine(int argc, char** argv, SimCommandLine& options,
                                   std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string_view option = argv[i];
        std::string_view value;
        // --name=value as well as --name value.
        const size_t equals = option.find('=');
        bool inlineValue = false;
        if (option.rfind("--", 0) == 0 && equals != std::string_view::npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
            inlineValue = true;
        }
        if (NeedsValue(option) && !inlineValue) {
            if (i + 1 >= argc) {
                error = std::string(option) + " needs a value";
                return CommandLineResult::Error;
            }
            value = argv[++i];
        } else if (!NeedsValue(option) && inlineValue) {
            error = std::string(option) + " takes no value";
            return CommandLineResult::Error;
        }
        const std::string text(value);
        auto bad = [&](const char* what) {
            error = std::string(option) + ": " + what + ": " + text;
            return CommandLineResult::Error;
        };
        sim::ProcessOptions& process = options.device.process;
        double real = 0.0;
        uint64_t number = 0;
        int64_t signedNumber = 0;
        if (option == "--help" || option == "-h") return CommandLineResult::Help;
        if (option == "--version" || option == "-V") return CommandLineResult::Version;
        if (option == "--print-manual-page") return CommandLineResult::ManualPage;
        if (option == "--device") {
            options.devicePath = text;
        } else if (option == "--link") {
            options.linkPath = text;
        } else if (option == "--control") {
            options.controlPath = text;
        } else if (option == "--trace") {
            options.tracePath = text;
        } else if (option == "--identity") {
            if (text.size() > 8) return bad("at most 8 characters");
            options.device.identity = text;
        } else if (option == "--firmware") {
            if (!sim::ParseFirmware(value, options.device.firmwareVersion)) {
                return bad("not a version (0x0103 or 1.03)");
            }
        } else if (option == "--serial") {
            if (!sim::ParseSigned(value, signedNumber) || signedNumber < INT32_MIN ||
                signedNumber > UINT32_MAX) {
                return bad("not a 32-bit number");
            }
            options.device.serialNumber = static_cast<int32_t>(static_cast<uint32_t>(signedNumber));
        } else if (option == "--output-variant") {
            if (!ByteOption(value, options.device.outputVariant)) return bad("not a byte");
        } else if (option == "--relay-variant") {
            if (!ByteOption(value, options.device.relayVariant)) return bad("not a byte");
        } else if (option == "--line-timing") {
            options.lineTiming = true;
        } else if (option == "--reaction-ms") {
            if (!sim::ParseReal(value, real) || real < 0.0 || real > 10000.0) {
                return bad("not a time of 0 .. 10000 ms");
            }
            options.reactionMs = real;
        } else if (option == "--fault") {
            sim::FaultInjector probe;
            std::string why;
            if (!sim::ApplyFaultWords(probe, sim::SplitWords(value), why)) return bad(why.c_str());
            options.faults.push_back(text);
        } else if (option == "--seed") {
            if (!sim::ParseUnsigned(value, number)) return bad("not a number");
            process.seed = number;
        } else if (option == "--temperature" || option == "--conductivity" ||
                   option == "--cell-constant" || option == "--cable-capacity") {
            if (!sim::ParseReal(value, real)) return bad("not a number");
            if (option == "--temperature") process.temperature = real;
            if (option == "--conductivity") process.conductivity = real;
            if (option == "--cable-capacity") process.cableCapacity = real;
            if (option == "--cell-constant") {
                if (!(real > 0.0)) return bad("must be positive");
                process.cellConstant = real;
            }
        } else if (option == "--no-noise") {
            process.noise = false;
        } else if (option == "--no-drift") {
            process.drift = false;
        } else if (option == "--stdin-eof-quits") {
            options.stdinEofQuits = true;
        } else if (option == "--quiet") {
            options.quiet = true;
        } else {
            error = "unknown option: " + std::string(argv[i]);
            return CommandLineResult::Error;
        }
    }
    return CommandLineResult::Run;
}

std::string SimUsage() {
    std::string text =
        "Usage: zr3sim [OPTION]...\n"
        "Simulates a ZR3 conductivity converter on a new pseudo-terminal (or on an existing\n"
        "serial device) at 9600 baud 8N1. The first line on stdout is the path of the\n"
        "terminal to open; after it come the replies to control commands.\n"
        "\n"
        "Line:\n"
        "  --device PATH          serve this serial device instead of a pseudo-terminal\n"
        "  --link PATH            make PATH a symbolic link to the pseudo-terminal (removed\n"
        "                         at exit)\n"
        "  --line-timing          bytes take the time of a 9600-baud line (1.042 ms each)\n"
        "  --reaction-ms N        the converter starts answering N ms after a request\n"
        "                         (default 0)\n"
        "  --trace FILE           one line per frame: time stamp in seconds, '>' request or\n"
        "                         '<' answer ('?' bytes skipped), the bytes in hex\n"
        "Converter:\n"
        "  --identity TEXT        identity text, at most 8 characters (default ZR3)\n"
        "  --firmware V           firmware version, 0x0103 or 1.03 (default 0x0103)\n"
        "  --serial N             serial number (default 123456)\n"
        "  --output-variant N     output variant byte (default 0)\n"
        "  --relay-variant N      relay variant byte (default 1)\n"
        "  --fault 'WORDS'        a fault from the start, as the fault command (repeatable;\n"
        "                         the last one holds)\n"
        "Process:\n"
        "  --temperature C        solution temperature (default 25)\n"
        "  --conductivity X       solution conductivity at 25 C in uS/cm (default 1413)\n"
        "  --cell-constant X      probe cell constant in 1/cm (default 1)\n"
        "  --cable-capacity X     capacity of the cable (default 12.5)\n"
        "  --seed N               seed of noise and drift (default 1)\n"
        "  --no-noise, --no-drift steady readings\n"
        "Control:\n"
        "  --control PATH         read control commands from PATH too (a FIFO is kept open)\n"
        "  --stdin-eof-quits      end when stdin closes (by default keep serving)\n"
        "  --quiet                print nothing but the terminal path\n"
        "  --help                 this text\n"
        "  --version              the version\n"
        "\n"
        "Control commands, one a line on stdin or the control FIFO; each is answered with\n"
        "'ok ...' or 'error: ...':\n";
    for (const auto& line : sim::ControlHelp()) {
        text += "  ";
        text += line;
        text += '\n';
    }
    text +=
        "\n"
        "SIGINT and SIGTERM end the simulator cleanly. Exit status 2 for a bad option.\n";
    return text;
}
