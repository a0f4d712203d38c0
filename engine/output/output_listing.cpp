// The listing of an output object (procedure PRINT): its name, project, run, session, directory
// and the result files of its last run. With GENERIC on, no real path or time is shown.
#include <cstring>

#include "engine/output/output_object.h"
#include "engine/output/output_paths.h"
#include "host/formats.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

// The run time as DATETIME text without leading blanks; "." when not set or under GENERIC.
int time_text(const RSKCON* con, double value, char* text, int size) {
    if (con->generic || value == 0 || qor::is_missing(value)) {
        text[0] = '.';
        return 1;
    }
    int width = static_cast<int>(con->datetime_format.width);
    if (width < 1 || width >= size) width = 19;
    if (xpfs(value, width, static_cast<int>(con->datetime_format.handle), text) != 0) {
        text[0] = '.';
        return 1;
    }
    int start = 0;
    while (start < width && text[start] == ' ') ++start;
    std::memmove(text, text + start, static_cast<size_t>(width - start));
    return width - start;
}

const char* kind_word(int32_t file_kind) {
    if (file_kind == RSKOUTFILE_DATA) return "DATA";
    if (file_kind == RSKOUTFILE_MDDB) return "MDDB";
    return "CUBE";
}

}  // namespace

int rskoutp(RSKCON* con, RSKOUTOBJ* object) {
    if (con == nullptr || object == nullptr) return 0;
    char time[64];
    const int time_length = time_text(con, object->run_time, time, static_cast<int>(sizeof time));
    const OutPath destination = rskout_shown(con, object->destination.name.text, object->destination.name.length);
    const OutPath directory = rskout_shown(con, object->path, object->path_length);
    xpmout(598, 2191, object->name.name.length, object->name.name.text, time_length, time);
    xpmout(598, 2197, object->project_name.name.length, object->project_name.name.text);
    xpmout(598, 2192, destination.length, destination.text);
    xpmout(598, 2198, object->run_name.name.length, object->run_name.name.text);
    xpmout(598, 2194, static_cast<int>(con->user_name_length), con->user_name, time_length, time);
    xpmout(598, 2193, directory.length, directory.text);
    xpmout(598, 2195, object->file_count);
    int index = 0;
    for (const RSKOUTFILE* file = object->files_head; file != nullptr; file = file->next) {
        const OutPath path = rskout_shown(con, file->path.name.text, file->path.name.length);
        xpmout(598, 2196, ++index, kind_word(file->file_kind), file->member.name.length, file->member.name.text,
               path.length, path.text);
    }
    xpskip(1);
    return 0;
}
