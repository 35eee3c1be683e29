#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream(stdout) << "Culler: the purge engine is built; its windows come next.\n";
    return 0;
}
