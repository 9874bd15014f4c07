// What starting a Qt command-line program costs (scripts/bench.sh): linked
// against what velumixctl links (QtCore, QtNetwork, hidapi, libudev), all
// loaded at start, it sets up a QCoreApplication and ends.

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return 0;
}
