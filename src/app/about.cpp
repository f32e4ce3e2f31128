#include "app/about.h"

#include "core/dialogs.h"
#include "core/win1252.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSysInfo>
#include <QUrl>
#include <QVBoxLayout>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const char* const kLinks[2] = {"https://www.zeptal32.example/", "mailto:service@zeptal32.example"};

constexpr quint32 kRegSz = 1;
constexpr quint32 kRegDword = 4;

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    l->setWordWrap(true);
    return l;
}

// The program has no icon file: a terminal with its display, drawn.
QPixmap programIcon() {
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x20, 0x30, 0x60));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(2, 6, 44, 36), 5, 5);
    p.setBrush(QColor(0x9c, 0xc4, 0x3c));
    p.drawRect(QRectF(8, 12, 32, 14));
    p.setBrush(QColor(0xd0, 0xd0, 0xd0));
    for (int k = 0; k < 4; ++k)
        p.drawRect(QRectF(8 + 9 * k, 30, 5, 6));
    return pm;
}

} // namespace

QString versionText(int major, int minor) {
    return QStringLiteral("Version %1.%2").arg(major).arg(minor);
}

QString registryValueText(quint32 type, const QByteArray& data, const QString& previous) {
    switch (type) {
    case kRegSz: {
        QByteArray text = data;
        if (text.endsWith('\0')) text.chop(1);
        return win1252::decode(text);
    }
    case kRegDword: {
        QString text = QStringLiteral("&h");
        for (qsizetype i = data.size() - 1; i >= 0; --i)
            text += QString::number(static_cast<quint8>(data[i]), 16).toUpper();
        return text;
    }
    default:
        return previous;
    }
}

std::optional<QString> sysInfoProgram(const RegistryReader& read,
                                      const std::function<bool(const QString&)>& fileExists) {
    if (auto path = read(QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                         QStringLiteral("PATH")))
        return path;
    if (auto folder = read(QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                           QStringLiteral("MSINFO"))) {
        const QString path = *folder + QStringLiteral("\\MSINFO32.EXE");
        if (fileExists(path)) return path;
    }
    return std::nullopt;
}

std::optional<QString> readLocalMachineValue(const QString& key, const QString& value) {
#ifdef Q_OS_WIN
    // Reading needs no more than read access, which every user has; asking for full access
    // would fail for everyone without administrator rights.
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, win1252::encode(key).constData(), 0, KEY_READ, &handle) !=
        ERROR_SUCCESS)
        return std::nullopt;
    QByteArray buffer(1024, '\0');
    DWORD size = 1024;
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(handle, win1252::encode(value).constData(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(buffer.data()), &size);
    RegCloseKey(handle);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    buffer.truncate(static_cast<qsizetype>(size));
    return registryValueText(type, buffer, QString());
#else
    Q_UNUSED(key)
    Q_UNUSED(value)
    return std::nullopt;
#endif
}

QList<SystemPort> systemSerialPorts() {
    QList<SystemPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SystemPort p{info.portName(),     info.systemLocation(), info.description(),
                     info.manufacturer(), std::nullopt,          std::nullopt,
                     info.serialNumber()};
        if (info.hasVendorIdentifier()) p.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier()) p.productId = info.productIdentifier();
        ports.append(p);
    }
    return ports;
}

SystemFacts currentSystemFacts(const QString& settingsFile, const QList<SystemPort>& ports) {
    return {QSysInfo::prettyProductName(),
            QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion(),
            QString::fromLatin1(qVersion()), settingsFile, ports};
}

QString systemInfoText(const SystemFacts& facts) {
    auto orDash = [](const QString& s) { return s.isEmpty() ? QStringLiteral("–") : s; };
    auto hex = [](std::optional<quint16> id) {
        return id ? QStringLiteral("%1").arg(*id, 4, 16, QLatin1Char('0')) : QStringLiteral("–");
    };
    QString text = QStringLiteral("Betriebssystem: %1\nKernel: %2\nQt-Version: %3\n"
                                  "Einstellungsdatei: %4\n\nSerielle Schnittstellen:\n")
                       .arg(orDash(facts.operatingSystem), orDash(facts.kernel),
                            orDash(facts.qtVersion), orDash(facts.settingsFile));
    if (facts.ports.isEmpty())
        text += QStringLiteral("  Das System meldet keine seriellen Schnittstellen.\n");
    for (const SystemPort& p : facts.ports)
        text += QStringLiteral("  %1 (%2)\n    Beschreibung: %3\n    Hersteller: %4\n"
                               "    USB-Kennung: %5:%6\n    Seriennummer: %7\n")
                    .arg(p.name, orDash(p.location), orDash(p.description), orDash(p.manufacturer),
                         hex(p.vendorId), hex(p.productId), orDash(p.serialNumber));
    return text;
}

AboutBox::AboutBox(const QString& title, int major, int minor, const QString& settingsFile,
                   Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), settingsFile_(settingsFile) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Info zu ") + title);
    setModal(true);
    setFixedSize(460, 380);

    auto* picIcon = label(this, "picIcon", QString(), QRect(16, 16, 48, 48));
    picIcon->setPixmap(programIcon());
    picIcon->setAccessibleName(picIcon->objectName());
    lblTitle = label(this, "lblTitle", title, QRect(80, 14, 360, 24));
    QFont big = lblTitle->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    lblTitle->setFont(big);
    lblVersion = label(this, "lblVersion", versionText(major, minor), QRect(80, 40, 360, 20));
    label(this, "lblDescription",
          QStringLiteral("Steuer- und Testsoftware für die Pultino-Bedienterminals."),
          QRect(80, 64, 360, 36));
    label(
        this, "Label1",
        QStringLiteral("32-Bit Version, lauffähig unter Windows 95, 98, Me, NT4, 2000 und neuer."),
        QRect(80, 102, 360, 36));
    label(this, "Label4", QStringLiteral("Besuchen Sie uns im Internet!"), QRect(16, 146, 424, 20));
    label(this, "Label5",
          QStringLiteral("Dort finden Sie ggf. Updates zu diesem Programm sowie weitere "
                         "Informationen zu unseren Produkten!"),
          QRect(16, 168, 424, 36));
    label(this, "Label2", QStringLiteral("Internet:"), QRect(16, 210, 70, 20));
    label(this, "Label3", QStringLiteral("Email:"), QRect(16, 234, 70, 20));
    for (int i = 0; i < 2; ++i) {
        lblInternet[i] = label(this, i == 0 ? "lblInternet_0" : "lblInternet_1",
                               QString::fromLatin1(kLinks[i]), QRect(90, 210 + 24 * i, 350, 20));
        lblInternet[i]->setStyleSheet(QStringLiteral("color: palette(link);"));
        QFont f = lblInternet[i]->font();
        f.setUnderline(true);
        lblInternet[i]->setFont(f);
        lblInternet[i]->setCursor(Qt::PointingHandCursor);
        lblInternet[i]->installEventFilter(this);
    }
    label(this, "lblDisclaimer",
          QStringLiteral("Dieses Programm wird ohne Gewähr geliefert. Der Hersteller haftet nicht "
                         "für Schäden, die aus seiner Benutzung entstehen."),
          QRect(16, 266, 300, 70));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(336, 270, 108, 28);
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&Systeminfo..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(336, 306, 108, 28);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &AboutBox::StartSysInfo);

    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    startProgram = [](const QString& program) { return QProcess::startDetached(program, {}); };
    fileExists = [](const QString& path) { return QFileInfo(path).isFile(); };
    readRegistry = readLocalMachineValue;
    listPorts = systemSerialPorts;
#ifdef Q_OS_WIN
    useRegistry = true;
#else
    useRegistry = false;
#endif
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        for (int i = 0; i < 2; ++i)
            if (watched == lblInternet[i]) {
                lblInternet_Click(i);
                return true;
            }
    return QDialog::eventFilter(watched, event);
}

void AboutBox::lblInternet_Click(int index) {
    // A desktop without a browser or mail program is not reported.
    if (openUrl) openUrl(QUrl(lblInternet[index]->text()));
}

void AboutBox::StartSysInfo() {
    if (!useRegistry) {
        // No system information tool to start here: the program shows what a technician needs
        // when a terminal does not answer.
        auto* window = new QDialog(this);
        window->setObjectName(QStringLiteral("frmSystemInfo"));
        window->setWindowTitle(QStringLiteral("Systeminformationen"));
        window->setAttribute(Qt::WA_DeleteOnClose);
        auto* text = new QPlainTextEdit(window);
        text->setObjectName(QStringLiteral("txtSystemInfo"));
        text->setAccessibleName(window->windowTitle());
        text->setReadOnly(true);
        text->setPlainText(systemInfoText(
            currentSystemFacts(settingsFile_, listPorts ? listPorts() : QList<SystemPort>{})));
        auto* close = new QPushButton(QStringLiteral("Schließen"), window);
        close->setObjectName(QStringLiteral("cmdClose"));
        connect(close, &QPushButton::clicked, window, &QDialog::accept);
        auto* layout = new QVBoxLayout(window);
        layout->addWidget(text);
        layout->addWidget(close, 0, Qt::AlignRight);
        window->resize(520, 400);
        window->show();
        return;
    }
    const auto program = sysInfoProgram(readRegistry, fileExists);
    if (program && startProgram && startProgram(*program)) return;
    dialogs_.message(QStringLiteral("Systeminformationen sind momentan nicht verfügbar"),
                     kAppTitle);
}
