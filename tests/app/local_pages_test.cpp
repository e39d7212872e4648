// Pages opened from files, with the real engine: a saved page still looks
// like itself, but reads no other file and reaches no server.
#include "app_fixture.h"

#include <QBuffer>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <QWebEngineView>

using app_testing::ProgramWindows;
using app_testing::waitFor;
using testing_support::ScriptedServer;
using testing_support::Step;

namespace {

QByteArray pngPicture()
{
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// What the page learnt, as it reports it in its title once every attempt
// has ended.
QJsonObject pageReport(ProgramWindows &program)
{
    auto *view = qobject_cast<QWebEngineView *>(program.browser().WebBrowser1().widget());
    QJsonObject report;
    waitFor([&] {
        report = QJsonDocument::fromJson(view->title().toUtf8()).object();
        return report.size() == 7;
    });
    return report;
}

} // namespace

TEST(LocalPages, ShowTheirOwnFolderButReadNoOtherFileAndReachNoServer)
{
    ScriptedServer server({Step::readUntil("\r\n\r\n"), Step::close()});
    ProgramWindows program;
    program.start();
    program.folder().write("saved/secret.txt", "the user's secret");
    program.folder().write("saved/pic.png", pngPicture());
    program.folder().write("saved/look.css", "body { color: rgb(1, 2, 3) }");
    program.folder().write("saved/own.js", "window.ownScript = 'ran';");
    program.folder().write("saved/page.html", QByteArray(R"(<html><head><title>Saved</title>
<link rel=stylesheet href="look.css"><script src="own.js"></script></head><body>
<img id=pic src="pic.png"><iframe id=frame src="secret.txt"></iframe>
<script>
const report = {};
const told = (key, value) => { report[key] = value; if (Object.keys(report).length == 7) document.title = JSON.stringify(report); };
try { const x = new XMLHttpRequest(); x.open('GET', 'secret.txt', false); x.send(); told('xhr', x.responseText); }
catch (e) { told('xhr', 'failed'); }
fetch('secret.txt').then(r => r.text()).then(t => told('fetch', t), () => told('fetch', 'failed'));
const ws = new WebSocket('ws://127.0.0.1:PORT/');
ws.onopen = () => told('socket', 'open');
ws.onerror = () => told('socket', 'failed');
onload = () => {
  try { told('frame', document.getElementById('frame').contentDocument.body.innerText); }
  catch (e) { told('frame', 'failed'); }
  told('pic', document.getElementById('pic').naturalWidth);
  told('style', getComputedStyle(document.body).color);
  told('script', window.ownScript || 'none');
};
</script></body></html>)")
                                                  .replace("PORT", QByteArray::number(server.port())));

    program.go(QUrl::fromLocalFile(program.folder().file("saved/page.html")).toString());
    const QJsonObject report = pageReport(program);
    ASSERT_EQ(report.size(), 7) << QJsonDocument(report).toJson().constData();
    EXPECT_EQ(report["xhr"].toString(), QStringLiteral("failed"));
    EXPECT_EQ(report["fetch"].toString(), QStringLiteral("failed"));
    EXPECT_EQ(report["frame"].toString(), QStringLiteral("failed"));
    EXPECT_EQ(report["socket"].toString(), QStringLiteral("failed"));
    EXPECT_EQ(server.connections(), 0);
    // What the page is made of still comes from its folder.
    EXPECT_EQ(report["pic"].toInt(), 7);
    EXPECT_EQ(report["style"].toString(), QStringLiteral("rgb(1, 2, 3)"));
    EXPECT_EQ(report["script"].toString(), QStringLiteral("ran"));
}
