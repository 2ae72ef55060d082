#pragma once

// Lets the process write files of at most a given size while the object lives: writes
// beyond it fail with an error (the signal that would end the process is ignored
// meanwhile), as on a disk that is full.

#include <sys/resource.h>

#include <csignal>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &FPrevious);
        rlimit small = FPrevious;
        small.rlim_cur = bytes;
        FPreviousHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FPrevious);
        std::signal(SIGXFSZ, FPreviousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit FPrevious{};
    void (*FPreviousHandler)(int) = nullptr;
};
