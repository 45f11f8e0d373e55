#include "ctl/command_documents.h"

#include "ctl/setting_help.h"
#include "model/setting_names.h"
#include "zr3_version.h"

namespace {

std::vector<const CLI::App*> Subcommands(const CLI::App& app) {
    return app.get_subcommands([](const CLI::App*) { return true; });
}

bool Visible(const CLI::Option* option) {
    return !option->get_group().empty() && option->get_name() != "--help" &&
           option->get_name() != "-h,--help";
}

// "-p, --port PORT", "file".
std::string OptionSynopsis(const CLI::Option* option) {
    if (option->get_positional()) return "\\fI" + RoffText(option->get_name(true)) + "\\fR";
    std::string text;
    for (const std::string& s : option->get_lnames())
        text += (text.empty() ? "" : ", ") + ("\\-\\-" + RoffText(s));
    std::string shorts;
    for (const std::string& s : option->get_snames())
        shorts += (shorts.empty() ? "" : ", ") + ("\\-" + s);
    if (!shorts.empty()) text = shorts + (text.empty() ? "" : ", " + text);
    text = "\\fB" + text + "\\fR";
    if (option->get_expected_min() > 0)
        text += " \\fI" + RoffText(option->get_type_name()) + "\\fR";
    return text;
}

void DescribeOptions(std::string& page, const CLI::App& command) {
    for (const CLI::Option* option : command.get_options()) {
        if (!Visible(option)) continue;
        page +=
            ".TP\n" + OptionSynopsis(option) + "\n" + RoffText(option->get_description()) + "\n";
    }
}

void DescribeCommands(std::string& page, const CLI::App& parent, const std::string& path) {
    for (const CLI::App* command : Subcommands(parent)) {
        const std::string name = path + " " + command->get_name();
        page += ".SS \"" + RoffText(name.substr(1)) + "\"\n" +
                RoffText(command->get_description()) + "\n";
        DescribeOptions(page, *command);
        DescribeCommands(page, *command, name);
    }
}

// The words that may follow a command: its subcommands and options.
std::string CompletionWords(const CLI::App& command) {
    std::string words;
    for (const CLI::App* sub : Subcommands(command))
        words += " " + sub->get_name();
    for (const CLI::Option* option : command.get_options()) {
        if (!Visible(option) || option->get_positional()) continue;
        for (const std::string& s : option->get_lnames())
            words += " --" + s;
        for (const std::string& s : option->get_snames())
            words += " -" + s;
    }
    words += " --help";
    return words.substr(1);
}

void CompletionCases(std::string& script, const CLI::App& parent, const std::string& path) {
    for (const CLI::App* command : Subcommands(parent)) {
        const std::string name =
            path.empty() ? command->get_name() : path + " " + command->get_name();
        script += "        \"" + name + "\") words=\"" + CompletionWords(*command) + "\" ;;\n";
        CompletionCases(script, *command, name);
    }
}

}  // namespace

std::string ManualPage(const CLI::App& app, SensorList& sensors) {
    std::string page = ".TH ZR3CTL 1 \"\" \"zr3ctl " ZR3_VERSION "\" \"User Commands\"\n";
    page += ".SH NAME\nzr3ctl \\- configure and calibrate a ZR3 conductivity converter\n";
    page +=
        ".SH SYNOPSIS\n.B zr3ctl\n[\\fB\\-p\\fR \\fIPORT\\fR] [\\fIOPTION\\fR]... \\fICOMMAND\\fR "
        "[\\fIARGUMENT\\fR]...\n";
    page += ".SH DESCRIPTION\n" + RoffText(app.get_description()) + "\n";
    page += ".SH OPTIONS\n";
    DescribeOptions(page, app);
    page += ".SH COMMANDS\n";
    DescribeCommands(page, app, "");
    page += ".SH SETTINGS\nThe names of \\fBset\\fR, \\fBshow\\fR and the backup file.\n";
    for (const auto& entry : AllSettings()) {
        page += ".TP\n\\fB" + RoffText(entry.name) + "\\fR (" + RoffText(SettingUnit(entry.id)) +
                "; " + RoffText(SettingRange(entry.id)) + ")\n" + RoffText(entry.meaning) + "\n";
    }
    page += ".SH SENSOR MODELS\nThe full name, or its first word where only one model has it:\n";
    for (int i = 0; i < sensors.Count; ++i)
        page += ".IP \\(bu 2\n" + RoffText(sensors.SensorAt(i)->name) + "\n";
    page += ".SH ENVIRONMENT\n.TP\n.B ZR3_PORT\nThe port when \\fB\\-p\\fR is not given.\n";
    page += ".TP\n.B ZR3_LOG\nThe commissioning log when \\fB\\-\\-log\\fR is not given.\n";
    page += ".SH EXIT STATUS\n" +
            RoffText(app.get_footer().substr(0, app.get_footer().find('\n'))) + "\n";
    page += ".SH EXAMPLES\n.nf\n" +
            RoffText(
                "zr3ctl ports\n"
                "zr3ctl -p /dev/ttyUSB0 show --json\n"
                "zr3ctl -p /dev/ttyUSB0 set input-damping=5 'sensor=Pt1000 (3850)'\n"
                "zr3ctl -p /dev/ttyUSB0 monitor --interval 1 --count 60 --csv > readings.csv\n"
                "zr3ctl -p /dev/ttyUSB0 backup master.json\n"
                "zr3ctl -p /dev/ttyUSB1 restore master.json --dry-run\n"
                "zr3ctl -p /dev/ttyUSB1 set $(zr3ctl table fit probe.dat)\n") +
            ".fi\n";
    page += ".SH SEE ALSO\n\\fBzr3sim\\fR(1)\n";
    return page;
}

std::string BashCompletion(const CLI::App& app, SensorList& sensors) {
    std::string settings;
    for (const auto& entry : AllSettings())
        settings += std::string(" ") + entry.name + "=";
    std::string models;
    for (int i = 0; i < sensors.Count; ++i)
        models += std::string(sensors.SensorAt(i)->name) + "\\n";
    std::string script =
        "# bash completion of zr3ctl " ZR3_VERSION
        ", written by zr3ctl --print-bash-completion\n"
        "_zr3ctl() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        "    local path=\"\" word i words_of_path\n"
        "    words_of_path=$(_zr3ctl_words \"\")\n"
        "    case $prev in\n"
        "        -p|--port)\n"
        "            COMPREPLY=($(compgen -W \"$(zr3ctl ports 2>/dev/null)\" -- \"$cur\"))\n"
        "            return ;;\n"
        "        --retries|--interval|--count|--normal|--conductance|--firmware) return ;;\n"
        "        --log|--record|--save-before|--svg)\n"
        "            compopt -o default 2>/dev/null; COMPREPLY=(); return ;;\n"
        "    esac\n"
        "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        word=${COMP_WORDS[i]}\n"
        "        case $word in\n"
        "            -p|--port|--retries|--interval|--count|--normal|--conductance|--firmware|"
        "--log|--record|--save-before|--svg) ((i++)) ;;\n"
        "            --json) [[ $path == \"table report\" ]] && ((i++)) ;;\n"
        "            -*) ;;\n"
        "            *) case \" $words_of_path \" in\n"
        "                   *\" $word \"*) path=\"${path:+$path }$word\" ;;\n"
        "               esac ;;\n"
        "        esac\n"
        "        words_of_path=$(_zr3ctl_words \"$path\")\n"
        "    done\n"
        "    # table report's --json names a file, as --svg does.\n"
        "    if [[ $path == \"table report\" && $prev == --json ]]; then\n"
        "        compopt -o default 2>/dev/null; COMPREPLY=(); return\n"
        "    fi\n"
        "    # bash splits sensor=NAME at the '=' when COMP_WORDBREAKS holds it.\n"
        "    local line=${COMP_LINE:0:COMP_POINT}\n"
        "    line=${line##* }\n"
        "    if [[ $path == set && $line == sensor=* ]]; then\n"
        "        local IFS=$'\\n' model lead=sensor=\n"
        "        [[ $cur == sensor=* ]] || lead=\n"
        "        COMPREPLY=()\n"
        "        for model in $(compgen -W \"$(printf '" +
        models +
        "')\" -- \"${line#sensor=}\"); do\n"
        "            COMPREPLY+=(\"$lead$(printf '%q' \"$model\")\")\n"
        "        done\n"
        "        return\n"
        "    fi\n"
        "    local words=$(_zr3ctl_words \"$path\")\n"
        "    [[ $path == set ]] && words+=\"" +
        settings +
        "\" && compopt -o nospace 2>/dev/null\n"
        "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
        "    [[ $path == set && ${#COMPREPLY[@]} == 1 && ${COMPREPLY[0]} != *= ]] && "
        "COMPREPLY[0]+=' '\n"
        "    return 0\n"
        "}\n"
        "_zr3ctl_words() {\n"
        "    local words\n"
        "    case $1 in\n"
        "        \"\") words=\"" +
        CompletionWords(app) + "\" ;;\n";
    CompletionCases(script, app, "");
    script +=
        "    esac\n"
        "    printf '%s' \"$words\"\n"
        "}\n"
        "complete -F _zr3ctl zr3ctl\n";
    return script;
}
