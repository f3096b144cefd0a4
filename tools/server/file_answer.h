// Files as the server answers them: with the validators a client checks before
// it resumes a download, and in the one byte range a GET may ask for.
#pragma once

#include <string>

#include "tools/server/reply.h"
#include "tools/server/request.h"

struct FileEntity {
    std::string bytes;
    std::string etag;           // strong: its modification time and size, quoted hex, as nginx makes it
    std::string last_modified;  // its modification time as an HTTP-date
};

// The file at `path` as it is now; false when it cannot be read.
bool ReadFileEntity(const std::string& path, FileEntity* entity);

// `bytes` as a file's answer with `status`: no validators, no ranges.
Reply FileReply(unsigned status, std::string bytes);

// 200 with the whole file; 206 with the one range that `request`'s Range asks
// for, unless its If-Range names neither `entity`'s ETag nor its Last-Modified;
// 416 for a range that starts past the end. `misanswer`, one of the resume
// faults (faults.h), makes it answer as that fault says; any other fault
// changes nothing here.
Reply FileAnswer(const Request& request, FileEntity entity, Fault misanswer = Fault::none);
