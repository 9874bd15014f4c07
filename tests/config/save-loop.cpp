// Saves the user file given as its argument over and over through the
// program's writer, alternating between the two documents of
// SaveLoopDocuments.h, until it is killed. Prints one line once the first
// save is done, so that a test can kill it while it is saving.

#include "SaveLoopDocuments.h"

#include <cstdio>

namespace {

// The writer rereads the file first: a torn file ends the loop.
bool save(const QString& path, int version)
{
    const QJsonObject document = saveLoopDocument(version);
    const ConfigWriteResult saved =
        updateConfigFile(path, [&document](QJsonObject& root) { root = document; });
    if (!saved.ok())
        std::fprintf(stderr, "%s\n", qPrintable(saved.errorText));
    return saved.ok();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: save-loop USER_FILE\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!save(path, 1))
        return 1;
    std::printf("saving\n");
    std::fflush(stdout);
    for (int version = 0;; version = 1 - version)
        if (!save(path, version))
            return 1;
}
