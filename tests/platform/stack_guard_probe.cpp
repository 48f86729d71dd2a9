// A program built with the project's flags that overruns a local buffer on purpose, as a parser
// fed a hostile length would: "loop" writes past the buffer byte by byte (the frame's guard value
// catches it when the function returns), "copy" hands memcpy more than the buffer holds (the
// checked copy catches it before it writes). The second argument is how many bytes; 16 fit.
//
// It answers 0 when it went on after the write, and otherwise the code of the exception that
// ended it: a failed check ends the process through an illegal instruction, where an unchecked
// overrun returns into the bytes it wrote and faults on executing them.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

char g_source[256];

__attribute__((noinline)) void WriteByBytes(size_t count) {
    char buffer[16];
    for (size_t i = 0; i < count; ++i) buffer[i] = g_source[i];
    std::printf("wrote %c\n", buffer[0]);
}

__attribute__((noinline)) void WriteByCopy(size_t count) {
    char buffer[16];
    std::memcpy(buffer, g_source, count);
    std::printf("wrote %c\n", buffer[0]);
}

LONG WINAPI EndWithTheExceptionCode(EXCEPTION_POINTERS* exception) {
    ::ExitProcess(exception->ExceptionRecord->ExceptionCode);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    ::SetUnhandledExceptionFilter(EndWithTheExceptionCode);
    std::memset(g_source, 'x', sizeof g_source);
    const size_t count = std::strtoul(argv[2], nullptr, 10);
    if (std::strcmp(argv[1], "loop") == 0)
        WriteByBytes(count);
    else if (std::strcmp(argv[1], "copy") == 0)
        WriteByCopy(count);
    else
        return 2;
    std::printf("went on\n");
    return 0;
}
