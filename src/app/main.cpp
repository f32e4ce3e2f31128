#include "app/mainwindow.h"
#include "app/qtdialogs.h"
#include "core/settings.h"
#include "link/devicemap.h"
#include "link/qtserialport.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEPTAL32"));

    SettingsStore settings;
    DeviceMap devices(settings);
    QtSerialPort port([&devices](int n) { return devices.device(n); });
    QtDialogs dialogs;
    MainWindow window(port, dialogs, settings, devices);
    dialogs.setParent(&window);
    window.startUp();
    window.show();
    return app.exec();
}
