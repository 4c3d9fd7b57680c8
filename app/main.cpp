#include "art/Rotagraph.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Rotagraph view;
    view.setAnchorRadius(160);
    view.setRunnerRadius(72);
    view.setPenHoleRadius(53);
    view.setRotationsToMake(9);
    view.setPenDrawSize(1);
    view.setPenColor(Qt::red);
    view.setNumberOfColors(1);
    view.show();
    return app.exec();
}
