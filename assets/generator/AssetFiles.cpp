#include "AssetFiles.h"

#include "IcoFile.h"
#include "MakerLogo.h"
#include "SampleClasses.h"
#include "TileImages.h"
#include "WinterScene.h"

#include <QDir>
#include <QSaveFile>
#include <utility>
#include <vector>

namespace mirello {

using namespace Qt::StringLiterals;

namespace {

// Where the window shows each button and the search animation on its background.
constexpr QPoint StartPauseButton(224, 16);
constexpr QPoint OkButton(224, 56);
constexpr QPoint SearchPicture(224, 128);

struct FaceFile
{
    QString baseName;
    Glyph glyph;
    TileShade shade;
    QPoint position;
};

const FaceFile Faces[] = {
    {u"start1"_s, Glyph::Start, TileShade::Resting, StartPauseButton},
    {u"start2"_s, Glyph::Start, TileShade::PointerOver, StartPauseButton},
    {u"pause1"_s, Glyph::Pause, TileShade::Resting, StartPauseButton},
    {u"pause2"_s, Glyph::Pause, TileShade::PointerOver, StartPauseButton},
    {u"ok1"_s, Glyph::Ok, TileShade::Resting, OkButton},
    {u"ok2"_s, Glyph::Ok, TileShade::PointerOver, OkButton},
    {u"search1"_s, Glyph::SearchFrame1, TileShade::Resting, SearchPicture},
    {u"search2"_s, Glyph::SearchFrame2, TileShade::Resting, SearchPicture},
    {u"search3"_s, Glyph::SearchFrame3, TileShade::Resting, SearchPicture},
};

// The faces the window shows before the first face is loaded from Icons/.
const FaceFile DesignFaces[] = {
    {u"design-start"_s, Glyph::Start, TileShade::Resting, StartPauseButton},
    {u"design-ok"_s, Glyph::Ok, TileShade::Resting, OkButton},
    {u"design-search"_s, Glyph::SearchFrame1, TileShade::Resting, SearchPicture},
};

constexpr int StatusBitmapSize = 24;
constexpr int WindowIconSizes[] = {16, 20, 24, 32, 48, 64, 128, 256};
// The window icon file holds the small sizes; the larger PNGs serve high-DPI screens.
constexpr int IcoFileSizes[] = {16, 20, 24};

Result<void> ensureFolder(const QString& path)
{
    if (QDir().mkpath(path))
        return {};
    return Error{u"Cannot create the folder "_s + path, {}};
}

Result<void> writeBytes(const QByteArray& bytes, const QString& path)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return {};
    return Error{u"Cannot write "_s + path, file.errorString()};
}

Result<void> writeImage(const QImage& image, const QString& path)
{
    if (image.save(path))
        return {};
    return Error{u"Cannot write the picture "_s + path, {}};
}

QImage faceImage(const FaceFile& face, const QImage& background)
{
    return faceOverBackground(face.glyph, face.shade, background, face.position);
}

Result<void> writeFaces(const QString& iconsFolder, const QImage& background)
{
    for (const FaceFile& face : Faces) {
        const Result<void> written =
            writeImage(faceImage(face, background), iconsFolder + u'/' + face.baseName + u".bmp"_s);
        if (!written)
            return written;
    }
    return {};
}

Result<void> writeWindowIcons(const QString& picturesFolder)
{
    for (const int size : WindowIconSizes) {
        const QString path = picturesFolder + u"/icon-%1.png"_s.arg(size);
        const Result<void> written =
            writeImage(tileOnTransparency(Glyph::PersonRaisingHand, size), path);
        if (!written)
            return written;
    }
    QList<QImage> icoImages;
    for (const int size : IcoFileSizes)
        icoImages.append(tileOnTransparency(Glyph::PersonRaisingHand, size));
    const Result<QByteArray> ico = icoFile(icoImages);
    if (!ico)
        return ico.error();
    return writeBytes(ico.value(), picturesFolder + u"/mirello.ico"_s);
}

Result<void> writePictures(const QString& picturesFolder, const QImage& background)
{
    std::vector<std::pair<QImage, QString>> pictures = {
        {background, u"background"_s},
        {winterScene(2), u"background@2x"_s},
        {makerLogo(), u"about-logo"_s},
        {tileOnTransparency(Glyph::PersonOutline, StatusBitmapSize), u"status-person"_s},
    };
    for (const FaceFile& face : DesignFaces)
        pictures.emplace_back(faceImage(face, background), face.baseName);
    for (const auto& [image, name] : pictures) {
        const Result<void> written = writeImage(image, picturesFolder + u'/' + name + u".png"_s);
        if (!written)
            return written;
    }
    return writeWindowIcons(picturesFolder);
}

Result<void> writeSampleClasses(const QString& classFolder)
{
    const Result<std::vector<SampleClass>> classes = sampleClasses();
    if (!classes)
        return classes.error();
    for (const SampleClass& sample : classes.value()) {
        const Result<void> written = writeBytes(sample.bytes, classFolder + u'/' + sample.fileName);
        if (!written)
            return written;
    }
    return {};
}

} // namespace

Result<void> writeAssetFiles(const QString& assetsFolder)
{
    const QString icons = assetsFolder + u"/Icons"_s;
    const QString pictures = assetsFolder + u"/pictures"_s;
    const QString classes = assetsFolder + u"/samples"_s;
    for (const QString& folder : {icons, pictures, classes}) {
        const Result<void> created = ensureFolder(folder);
        if (!created)
            return created;
    }
    const QImage background = winterScene();
    Result<void> written = writeFaces(icons, background);
    if (written)
        written = writePictures(pictures, background);
    if (written)
        written = writeSampleClasses(classes);
    return written;
}

} // namespace mirello
