// The qor command: runs a program file of global statements and procedure steps through the
// host runtime; the exit status is the largest step end code (capped at 255).
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "host/kernel.h"
#include "host/print.h"
#include "runtime/cli/cli_options.h"
#include "runtime/storage/libraries.h"
#include "runtime/submit/program_runner.h"

namespace {

const char* const kModules[] = {"tolvane", "tolvanea", "tolvanec", "tolvix"};

void print_help() {
    std::printf(
        "usage: qor [options] program.qor\n"
        "\n"
        "Runs a program: OPTIONS and LIBNAME statements and procedure steps (PROC name ...;\n"
        "... RUN;).\n"
        "The exit status is 0 when every step ended with code 0, else the largest step code\n"
        "(at most 255); at least 2 when the log or the printed output could not be written.\n"
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

// SIGINT and SIGTERM are taken by a thread of their own rather than by a handler: removing the
// WORK tree needs the library lock and the file system library, which a handler may not use.
// The thread removes WORK and then lets the signal end the process as it would have.
void watch_ending_signals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    // Blocked before any other thread starts, so every thread inherits the mask and only the
    // watcher receives them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals]() {
        int received = 0;
        if (sigwait(&signals, &received) != 0) return;
        std::fflush(nullptr);
        qor::runtime::remove_work_library();
        signal(received, SIG_DFL);
        sigset_t just_this;
        sigemptyset(&just_this);
        sigaddset(&just_this, received);
        pthread_sigmask(SIG_UNBLOCK, &just_this, nullptr);
        raise(received);
    }).detach();
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
    qor::cli::default_sample_library();   // before any thread starts: setenv is not thread-safe
    watch_ending_signals();
    // WORK is made at the start of the run, so that an interrupted run never leaves one behind.
    if (qor::runtime::library_directory("WORK").empty())
        std::fprintf(stderr, "qor: the WORK directory cannot be created\n");
    qor_pidb* pidb = qor_global_pidb();
    pidb->program_path = options.program.c_str();
    pidb->argc = argc;
    pidb->argv = argv;
    qor::runtime::ProgramResult result = qor::runtime::run_program_file(options.program);
    std::string lost = qor::cli::finish_output();
    int code = result.worst_code;
    code = code > 255 ? 255 : (code < 0 ? 255 : code);
    if (!lost.empty()) {
        // Output that did not reach its file is a failed run, whatever the steps ended with.
        std::fprintf(stderr, "qor: output was lost: %s\n", lost.c_str());
        if (code < 2) code = 2;
    }
    return code;
}
