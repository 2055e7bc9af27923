#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "controls/BitmapResource.h"
#include "controls/CKbcButton.h"
#include "controls/PictureErrors.h"
#include "platform/MsgBox.h"

namespace {
// Four frames of distinct colours on a key-coloured background, with a key pixel
// in the middle of each frame.
QString WriteFrames(const QTemporaryDir& dir, const QString& name, int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200), qRgb(90, 90, 90)};
    const int fw = width / 4;
    for (int f = 0; f < 4; ++f)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < fw; ++x)
                img.setPixel(f * fw + x, y, colours[f]);
    for (int x = 4 * fw; x < width; ++x)
        for (int y = 0; y < height; ++y)
            img.setPixel(x, y, qRgb(255, 255, 0));
    for (int f = 0; f < 4; ++f)
        img.setPixel(f * fw + fw / 2, height / 2, qRgb(0xFE, 0xFE, 0xFE));
    const QString path = dir.filePath(name);
    img.save(path, "BMP");
    return path;
}

struct Boxes {
    Boxes() : rec(TestBoxes()) {
        ctl::ResetPictureErrors();
        rec.boxes.clear();
    }
    ~Boxes() { ctl::ResetPictureErrors(); }
    RecordingMessageBoxes& rec;
};
} // namespace

TEST(ImageButton, FrameChoiceOrder) {
    struct Case {
        bool disabled, pressed, hover;
        int frame;
    } cases[] = {{true, true, true, 3},   {true, false, false, 3}, {false, true, true, 2},
                 {false, true, false, 2}, {false, false, true, 1}, {false, false, false, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ctl::KbcFrameFor(c.disabled, c.pressed, c.hover), c.frame)
            << c.disabled << c.pressed << c.hover;
}

class ButtonFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        parent = std::make_unique<RecordingParent>();
        // Paint the parent a known colour so the keyed pixels show it.
        parent->setAutoFillBackground(true);
        QPalette pal = parent->palette();
        pal.setColor(QPalette::Window, QColor(10, 20, 30));
        parent->setPalette(pal);
        button = new CKbcButton(parent.get(), 1170);
        button->move(30, 40);
        button->LoadImageFile(WriteFrames(dir, "b.bmp", 240, 20), ctl::KEY_BUTTON);
        ShowAndFocus(parent.get());
    }
    QColor Shown(QPoint p) { return parent->grab().toImage().pixelColor(button->pos() + p); }

    Boxes boxes;
    QTemporaryDir dir;
    std::unique_ptr<RecordingParent> parent;
    CKbcButton* button = nullptr;
};

TEST_F(ButtonFixture, SizesToOneFrameAndKeepsItsCorner) {
    EXPECT_EQ(button->geometry(), QRect(30, 40, 60, 20));
    EXPECT_EQ(button->m_bmp.m_nFrameWidth, 60);
}

TEST_F(ButtonFixture, DrawsChosenFrameWithKeyTransparent) {
    EXPECT_EQ(Shown({2, 2}), QColor(200, 0, 0));
    EXPECT_EQ(Shown({30, 10}), QColor(10, 20, 30)); // the key pixel shows the parent
    button->m_bDisabled = 1;
    button->update();
    EXPECT_EQ(Shown({2, 2}), QColor(90, 90, 90));
    button->m_bDisabled = 0;
    button->setDown(true);
    EXPECT_EQ(Shown({2, 2}), QColor(0, 0, 200));
    button->setDown(false);
}

TEST_F(ButtonFixture, KeyColourAbsentDrawsOpaque) {
    button->m_clrKey = ctl::MakeColorRef(1, 2, 3);
    button->update();
    EXPECT_EQ(Shown({30, 10}), QColor(0xFE, 0xFE, 0xFE));
}

TEST_F(ButtonFixture, HoverArmsOnMoveAndAgainAfterLeave) {
    for (int round = 0; round < 2; ++round) {
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &move);
        EXPECT_TRUE(button->m_bHover) << round;
        EXPECT_EQ(button->CurrentFrame(), 1);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(button, &leave);
        EXPECT_FALSE(button->m_bHover);
        EXPECT_FALSE(button->m_bTracking);
    }
}

TEST_F(ButtonFixture, DisabledLookGivesNoClickByMouseKeyOrCommand) {
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    button->m_bDisabled = 1;
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    button->Click();
    EXPECT_EQ(clicks.count(), 0);
    // Disabled between press and release: still no click.
    button->m_bDisabled = 0;
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    button->m_bDisabled = 1;
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 0);
    // Nor by its shortcut.
    button->setShortcut(QKeySequence(QStringLiteral("Alt+P")));
    QTest::keyClick(parent.get(), Qt::Key_P, Qt::AltModifier);
    QTest::qWait(300);
    EXPECT_EQ(clicks.count(), 0);
    button->m_bDisabled = 0;
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    button->Click();
    EXPECT_EQ(clicks.count(), 2);
    QTest::keyClick(parent.get(), Qt::Key_P, Qt::AltModifier);
    QElapsedTimer t;
    t.start();
    while (clicks.count() < 3 && t.elapsed() < 5000)
        QTest::qWait(20);
    EXPECT_EQ(clicks.count(), 3);
}

TEST(ImageButtonLoad, OddWidthDropsTheLastColumn) {
    QTemporaryDir dir;
    CKbcButton b;
    b.LoadImageFile(WriteFrames(dir, "odd.bmp", 241, 20), ctl::KEY_BUTTON);
    EXPECT_EQ(b.size(), QSize(60, 20));
    EXPECT_EQ(b.m_bmp.m_nImageWidth, 241);
}

TEST(ImageButtonLoad, MissingPicturesReportedOnceAfterTheEventAndButtonStaysUsable) {
    Boxes boxes;
    QTemporaryDir dir;
    RecordingParent parent;
    std::vector<CKbcButton*> buttons;
    for (int i = 0; i < 3; ++i) {
        auto* b = new CKbcButton(&parent, 1552 + i);
        b->setGeometry(10 + 40 * i, 10, 32, 20);
        b->LoadImageFile(dir.filePath(QStringLiteral("none%1.bmp").arg(i)), ctl::KEY_BUTTON);
        buttons.push_back(b);
    }
    // Not from inside the loads (nor from painting): after the event.
    EXPECT_TRUE(boxes.rec.boxes.empty());
    parent.show();
    parent.grab();
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.rec.boxes.size(), 1u);
    EXPECT_EQ(boxes.rec.boxes[0].caption, QStringLiteral("CPicture Error"));
    EXPECT_TRUE(boxes.rec.boxes[0].text.contains(QStringLiteral("none2.bmp")));
    // The same path again is not reported again.
    buttons[0]->LoadImageFile(dir.filePath(QStringLiteral("none0.bmp")), ctl::KEY_BUTTON);
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes.rec.boxes.size(), 1u);
    // Usable and visibly empty: keeps its size, shows an outline, still clicks.
    EXPECT_EQ(buttons[0]->size(), QSize(32, 20));
    const QImage shot = buttons[0]->grab().toImage();
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(128, 128, 128));
    QSignalSpy clicks(buttons[0], &QAbstractButton::clicked);
    QTest::mouseClick(buttons[0], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(ImageButtonLoad, CorruptPictureIsReportedNotTakenAsLoaded) {
    Boxes boxes;
    QTemporaryDir dir;
    QFile f(dir.filePath("junk.bmp"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is not a picture");
    f.close();
    CPicture pic;
    EXPECT_FALSE(pic.LoadFile(f.fileName()));
    EXPECT_FALSE(pic.IsLoaded());
    EXPECT_EQ(pic.m_nWidth, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes.rec.boxes.size(), 1u);
}

TEST(ImageButtonLoad, ReadsTheProgramsPicturesWithWindowsStylePaths) {
    Boxes boxes;
    CKbcButton b;
    b.LoadImageFile(ctl::ImageFolder() + QStringLiteral("\\button_-05.bmp"), ctl::KEY_BUTTON);
    EXPECT_EQ(b.size(), QSize(40, 20));
    QCoreApplication::processEvents();
    EXPECT_TRUE(boxes.rec.boxes.empty());
}
