#include "platform/desktop/SlideConverter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "base/VbError.h"
#include "ports/PresentationPort.h"

namespace zarn {
namespace {

// Short conversions finish unseen; longer ones show the busy window.
constexpr int kQuietMs = 700;
// A conversion still running after this is taken for hung.
constexpr int kGiveUpMs = 5 * 60 * 1000;

[[noreturn]] void Fail(const std::string& description) {
  throw VbError(presentation::kFailed, description);
}

QString ContentHash(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) Fail("the file cannot be opened");
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&file)) Fail("the file cannot be read");
  return QString::fromLatin1(hash.result().toHex());
}

// The last line LibreOffice wrote that says something about the failure.
QString LastComplaint(const QByteArray& output) {
  const QList<QByteArray> lines = output.split('\n');
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    const QString line = QString::fromLocal8Bit(*it).trimmed();
    if (!line.isEmpty() && !line.contains("javaldx")) return line;
  }
  return {};
}

struct Run {
  bool cancelled = false;
  bool timed_out = false;
};

// Runs the office program while the event loop goes on.
Run RunOffice(QProcess& office, const QString& shown_name) {
  Run run;
  QEventLoop wait;
  QObject::connect(&office, &QProcess::finished, &wait, &QEventLoop::quit);
  std::unique_ptr<QProgressDialog> progress;
  QTimer reveal;
  reveal.setSingleShot(true);
  QObject::connect(&reveal, &QTimer::timeout, [&] {
    progress = std::make_unique<QProgressDialog>(
        QStringLiteral("Preparing the slides of %1 ...").arg(shown_name), QStringLiteral("Cancel"),
        0, 0);
    progress->setWindowTitle(QStringLiteral("ZARNPlay"));
    progress->setMinimumDuration(0);
    QObject::connect(progress.get(), &QProgressDialog::canceled, &wait, [&] {
      run.cancelled = true;
      office.kill();
    });
    progress->show();
  });
  reveal.start(kQuietMs);
  QTimer give_up;
  give_up.setSingleShot(true);
  QObject::connect(&give_up, &QTimer::timeout, &wait, [&] {
    run.timed_out = true;
    office.kill();
  });
  give_up.start(kGiveUpMs);

  office.start();
  if (office.waitForStarted(-1)) wait.exec();
  if (office.state() != QProcess::NotRunning) office.waitForFinished(5000);
  return run;
}

}  // namespace

std::string SlideConverter::CacheFolder() {
  return (QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
          QStringLiteral("/zarnplay/slides"))
      .toStdString();
}

std::string SlideConverter::Convert(const std::string& file, Format format) {
  const QString office_program = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (office_program.isEmpty()) {
    Fail(
        "showing presentations needs LibreOffice Impress, which is not installed "
        "(install the package libreoffice-impress)");
  }
  const QFileInfo source(QString::fromStdString(file));
  const QString suffix = format == Format::kPdf ? QStringLiteral("pdf") : QStringLiteral("odp");
  const QString folder = QString::fromStdString(CacheFolder());
  if (!QDir().mkpath(folder)) Fail("cannot create the cache folder " + CacheFolder());
  const QString target = folder + '/' + ContentHash(source.absoluteFilePath()) + '.' + suffix;
  if (QFileInfo::exists(target)) return target.toStdString();

  // A profile of our own keeps the user's LibreOffice out of it; a second
  // copy of us converting at the same time takes a throwaway one.
  const QString profile_path = folder + QStringLiteral("/office-profile");
  QLockFile profile_lock(profile_path + QStringLiteral(".lock"));
  QTemporaryDir spare_profile(folder + QStringLiteral("/profile-XXXXXX"));
  const QString profile = profile_lock.tryLock(0) ? profile_path : spare_profile.path();
  QTemporaryDir out(folder + QStringLiteral("/convert-XXXXXX"));
  if (!out.isValid()) Fail("cannot write to the cache folder " + CacheFolder());

  // Hidden slides are exported too so that page numbers stay slide numbers.
  const QString filter =
      format == Format::kPdf
          ? QStringLiteral(
                "pdf:impress_pdf_Export:{\"ExportHiddenSlides\":{\"type\":\"boolean\","
                "\"value\":\"true\"}}")
          : QStringLiteral("odp");
  QProcess office;
  office.setProgram(office_program);
  office.setArguments({QStringLiteral("-env:UserInstallation=") +
                           QUrl::fromLocalFile(profile).toString(QUrl::FullyEncoded),
                       QStringLiteral("--headless"), QStringLiteral("--norestore"),
                       QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"),
                       out.path(), source.absoluteFilePath()});
  office.setProcessChannelMode(QProcess::MergedChannels);
  const Run run = RunOffice(office, source.fileName());

  const std::string what = "LibreOffice could not convert the presentation";
  if (run.cancelled) Fail("preparing the slides was cancelled");
  if (run.timed_out) Fail(what + ": it did not finish within 5 minutes");
  if (office.error() == QProcess::FailedToStart) Fail(what + ": soffice did not start");
  const QString complaint = LastComplaint(office.readAll());
  const QFileInfoList made = QDir(out.path()).entryInfoList({"*." + suffix}, QDir::Files);
  if (office.exitStatus() != QProcess::NormalExit || office.exitCode() != 0 || made.isEmpty()) {
    Fail(what + (complaint.isEmpty() ? std::string() : " (" + complaint.toStdString() + ")"));
  }
  // Renaming is atomic, so a reader never sees half a file.
  QFile::remove(target);
  if (!QFile::rename(made.front().absoluteFilePath(), target)) {
    Fail("cannot write to the cache folder " + CacheFolder());
  }
  return target.toStdString();
}

}  // namespace zarn
