// A real thumbnail service draws the sample car: tumbler, started on a
// session bus of the test's own with only our thumbnailer entry added to
// what it reads, is asked over D-Bus for the car's picture and for one of
// an object file that is not a car, as a file manager asks. No display is
// given to it.

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <optional>

namespace {

const QString Service = "org.freedesktop.thumbnails.Thumbnailer1";
const QString Path = "/org/freedesktop/thumbnails/Thumbnailer1";

// What the service says about the requests it was given.
class ServiceSignals : public QObject {
    Q_OBJECT
public:
    QList<uint> finished;
    QStringList failed;

public slots:
    void onFinished(uint handle) { finished.append(handle); }
    void onError(uint, const QStringList& uris, int, const QString&) { failed += uris; }
};

std::optional<QString> findTumbler() {
    for (const QString& lib : QDir("/usr/lib").entryList({"*"}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString candidate = "/usr/lib/" + lib + "/tumbler-1/tumblerd";
        if (QFile::exists(candidate)) return candidate;
    }
    return std::nullopt;
}

template <typename Done>
bool waitFor(Done done, int milliseconds) {
    const QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    return true;
}

// The file the freedesktop cache keeps a URI's picture of one size in.
QString cachedPicture(const QString& cache, const QString& uri, const QString& flavour) {
    const QByteArray md5 = QCryptographicHash::hash(uri.toUtf8(), QCryptographicHash::Md5).toHex();
    return cache + "/thumbnails/" + flavour + "/" + QString::fromLatin1(md5) + ".png";
}

TEST(ThumbnailerServiceTest, TumblerStoresTheCarsPictureAndNoneForAnotherObjectFile) {
    int argc = 1;
    char name[] = "thumbnailer_service_test";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    const std::optional<QString> tumbler = findTumbler();
    if (!tumbler) GTEST_SKIP() << "tumbler is not installed";
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) GTEST_SKIP() << "no session bus (run under dbus-run-session)";
    ASSERT_FALSE(bus.interface()->isServiceRegistered(Service)) << "the bus is not the test's own";

    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString data = root.filePath("data"), bin = root.filePath("bin"), files = root.filePath("files"),
                  cache = root.filePath("cache");
    for (const QString& folder : {data + "/thumbnailers", bin, files, cache, root.filePath("home")})
        ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(KORVEX_SOURCE_DIR "/desktop/korvex-viewer.thumbnailer",
                            data + "/thumbnailers/korvex-viewer.thumbnailer"));
    ASSERT_TRUE(QFile::link(KORVEX_INSPECT, bin + "/korvex-inspect"));
    ASSERT_TRUE(QFile::copy(KORVEX_SAMPLE_CAR, files + "/car.o"));
    QFile other(files + "/other.o");
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("\x7f" "ELF but no car in it");
    other.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", bin + ":" + environment.value("PATH"));
    environment.insert("XDG_DATA_DIRS", data + ":/usr/share");
    environment.insert("XDG_CACHE_HOME", cache);
    environment.insert("HOME", root.filePath("home"));
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    QProcess service;
    service.setProcessEnvironment(environment);
    service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service.start(*tumbler, {});
    ASSERT_TRUE(service.waitForStarted());
    const auto stop = qScopeGuard([&service] {
        service.terminate();
        if (!service.waitForFinished(3000)) service.kill();
    });
    ASSERT_TRUE(waitFor([&] { return bus.interface()->isServiceRegistered(Service).value(); }, 20000))
        << "tumbler did not take its name on the bus";

    ServiceSignals heard;
    const QString interface = Service;
    ASSERT_TRUE(bus.connect(Service, Path, interface, "Finished", &heard, SLOT(onFinished(uint))));
    ASSERT_TRUE(
        bus.connect(Service, Path, interface, "Error", &heard, SLOT(onError(uint, QStringList, int, QString))));
    QDBusInterface thumbnailer(Service, Path, interface, bus);
    const QString car = QUrl::fromLocalFile(files + "/car.o").toString();
    const QString notACar = QUrl::fromLocalFile(files + "/other.o").toString();
    const QDBusReply<uint> handle =
        thumbnailer.call("Queue", QStringList{car, notACar},
                         QStringList{"application/x-object", "application/x-object"}, "normal", "default", 0u);
    ASSERT_TRUE(handle.isValid()) << handle.error().message().toStdString();
    ASSERT_TRUE(waitFor([&] { return heard.finished.contains(handle.value()); }, 60000))
        << "tumbler did not finish the request";

    const QImage picture(cachedPicture(cache, car, "normal"));
    ASSERT_FALSE(picture.isNull()) << "no picture of the car in the cache";
    EXPECT_EQ(picture.text("Thumb::URI"), car);
    EXPECT_TRUE(picture.hasAlphaChannel());
    // The normal size is 128 pixels a side at most; the car fills most of its width.
    EXPECT_LE(picture.width(), 128);
    EXPECT_LE(picture.height(), 128);
    EXPECT_GE(picture.width(), 100);
    int clear = 0, opaque = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int alpha = qAlpha(picture.pixel(x, y));
            clear += alpha == 0;
            opaque += alpha == 255;
        }
    const int area = picture.width() * picture.height();
    EXPECT_GT(opaque, area / 2) << "too little of the car";
    EXPECT_GT(clear, 0) << "no clear background around the car";

    EXPECT_FALSE(QFile::exists(cachedPicture(cache, notACar, "normal")));
    EXPECT_TRUE(heard.failed.contains(notACar));
    EXPECT_FALSE(heard.failed.contains(car));
}

}  // namespace

#include "thumbnailer_service_test.moc"
