// The qor command: runs a program file of global statements and procedure steps through the
// host runtime; the exit status is the largest step end code (capped at 255).
#include <cstdio>
#include <cstring>
#include <string>

#include "host/kernel.h"
#include "host/print.h"
#include "runtime/cli/cli_options.h"
#include "runtime/submit/program_runner.h"

namespace {

const char* const kModules[] = {"tolvane", "tolvanea", "tolvanec", "tolvix"};

void print_help() {
    std::printf(
        "usage: qor [options] program.qor\n"
        "\n"
        "Runs a program: OPTIONS statements and procedure steps (PROC name ...; ... RUN;).\n"
        "The exit status is 0 when every step ended with code 0, else the largest step code\n"
        "(at most 255).\n"
        "\n"
        "options:\n"
        "  --log FILE          write the log to FILE (default: standard error)\n"
        "  --print FILE        write the printed output to FILE (default: standard output)\n"
        "  --msgids            prefix every numbered message with its table and number\n"
        "  --module-path DIRS  directories (separated by ':') searched for module libraries\n"
        "                      (default: $QOR_MODULE_PATH, then the directory of qor)\n"
        "  --version           print the image texts of the runtime and the modules\n"
        "  --help              print this text\n");
}

int print_version() {
    std::printf("qor host runtime %s\n", QOR_RUNTIME_VERSION);
    int rc = 0;
    for (const char* name : kModules) {
        const qor_image_info* image = qor_load_module(name);
        if (!image) {
            rc = 1;
            continue;
        }
        const qor_pcn* pcn = image->pcns[0];
        std::printf("%-8.8s  %.22s release %.6s build %.20s (%.26s) kind %u\n", pcn->name,
                    image->text, image->release, image->build, image->build_date, pcn->kind);
    }
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    qor::cli::Options options;
    std::string error;
    if (!qor::cli::parse_options(argc, argv, options, error)) {
        std::fprintf(stderr, "qor: %s\nTry 'qor --help'.\n", error.c_str());
        return 2;
    }
    if (options.help) {
        print_help();
        return 0;
    }
    if (!qor::cli::apply_options(options, error)) {
        std::fprintf(stderr, "qor: %s\n", error.c_str());
        return 2;
    }
    if (options.version) return print_version();
    qor_pidb* pidb = qor_global_pidb();
    pidb->program_path = options.program.c_str();
    pidb->argc = argc;
    pidb->argv = argv;
    qor::runtime::ProgramResult result = qor::runtime::run_program_file(options.program);
    qor::cli::finish_output();
    int code = result.worst_code;
    return code > 255 ? 255 : (code < 0 ? 255 : code);
}
