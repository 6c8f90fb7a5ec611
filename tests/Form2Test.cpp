// The about box: how the 情報 item shows it, its texts and layout, and how it goes away.
#include "app/Form2.hpp"

#include "ModalWatcher.hpp"
#include "app/AboutLabel.hpp"
#include "app/Form1.hpp"

#include <QAction>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace mirona {
namespace {

// A control's place in the layout, in twips (15 to the pixel).
struct Placement {
    const char* name;
    int left;
    int top;
    int width;
    int height;

    [[nodiscard]] QRect pixels() const { return {left / 15, top / 15, width / 15, height / 15}; }
};

constexpr Placement kLabels[] = {
    {"Label1", 120, 0, 3975, 375},  {"Label2", 120, 480, 4215, 615}, {"Label3", 0, 1200, 4335, 375},
    {"Label4", 0, 1560, 4335, 375}, {"Label5", 0, 2160, 4335, 375},
};
constexpr Placement kCommand1{"Command1", 4200, 2160, 735, 495};

void expectJapaneseFont(const QWidget& widget) {
    SCOPED_TRACE(widget.objectName().toStdString());
    EXPECT_DOUBLE_EQ(widget.font().pointSizeF(), 13.5);
    EXPECT_EQ(widget.font().weight(), QFont::Normal);
    const QString family = QFontInfo(widget.font()).family();
    EXPECT_TRUE(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese))
        << family.toStdString();
}

// The font the font database chose for `widget`, named as it resolved it.
QFont usedFont(const QWidget& widget) {
    const QFontInfo info(widget.font());
    QFont font(info.family());
    font.setPointSizeF(info.pointSizeF());
    font.setWeight(QFont::Weight(info.weight()));
    return font;
}

// The rows of `image` that hold dark pixels, as [first, last + 1); empty when there are none.
std::pair<int, int> inkRows(const QImage& image) {
    int first = image.height();
    int end = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                first = std::min(first, y);
                end = y + 1;
            }
    return {first, end};
}

// Every line's ink, measured in the font actually used and placed on the label's baselines,
// lies inside the label and clear of the next line, and the label paints it there.
void expectWholeText(AboutLabel& label) {
    SCOPED_TRACE(label.objectName().toStdString());
    const QFontMetricsF metrics(usedFont(label));
    const QStringList lines = label.text().split(u'\n');
    const QList<qreal> baselines = label.baselines();
    ASSERT_EQ(baselines.size(), lines.size());
    std::vector<QRectF> inks;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        inks.push_back(metrics.tightBoundingRect(lines[i]).translated(0, baselines[i]));
        EXPECT_TRUE(QRectF(label.rect()).contains(inks.back()))
            << lines[i].toStdString() << " needs " << inks.back().left() << "," << inks.back().top()
            << " to " << inks.back().right() << "," << inks.back().bottom();
        if (i > 0) {
            EXPECT_LE(inks[i - 1].bottom(), inks[i].top()) << "lines overlap";
        }
    }
    const auto [first, end] = inkRows(label.grab().toImage());
    EXPECT_NEAR(first, inks.front().top(), 2.0);
    EXPECT_NEAR(end, inks.back().bottom(), 2.0);
}

class AboutBoxTest : public testing::Test {
protected:
    void SetUp() override { form.Form_Load(); }

    Form1 form;
};

TEST_F(AboutBoxTest, JohoShowsItModalCentredWithItsTextsAndLayout) {
    QPointer<Form2> shown;
    ModalWatcher watcher([&](QWidget* modal) {
        shown = qobject_cast<Form2*>(modal);
        if (shown.isNull()) {
            ADD_FAILURE() << "not the about box";
            modal->close();
            return;
        }
        EXPECT_EQ(shown->windowTitle(), QStringLiteral("Form2"));
        EXPECT_EQ(shown->size(), QSize(330, 178));
        EXPECT_EQ(shown->minimumSize(), shown->maximumSize());
        EXPECT_EQ(shown->windowModality(), Qt::ApplicationModal);
        // Centred up to the pixel that odd sizes leave over.
        const QPoint offset = shown->frameGeometry().center() - form.frameGeometry().center();
        EXPECT_LE(std::abs(offset.x()), 1);
        EXPECT_LE(std::abs(offset.y()), 1);

        for (const Placement& place : kLabels) {
            const auto* label = shown->findChild<QLabel*>(QString::fromLatin1(place.name));
            if (label == nullptr) {
                ADD_FAILURE() << place.name << " missing";
                continue;
            }
            EXPECT_EQ(label->geometry(), place.pixels()) << place.name;
            EXPECT_TRUE(hasJapanese(label->text())) << place.name;
            expectJapaneseFont(*label);
        }
        EXPECT_EQ(shown->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                  QStringLiteral("ミロナ　Windows版　ver.1.00"));
        EXPECT_EQ(shown->findChild<QLabel*>(QStringLiteral("Label2"))->text().count(u'\n'), 1);

        auto* ok = shown->findChild<QPushButton*>(QStringLiteral("Command1"));
        if (ok == nullptr) {
            ADD_FAILURE() << "Command1 missing";
            shown->close();
            return;
        }
        EXPECT_EQ(ok->text(), QStringLiteral("OK"));
        EXPECT_EQ(ok->geometry(), kCommand1.pixels());
        expectJapaneseFont(*ok);
        ok->click();
    });
    form.findChild<QAction*>(QStringLiteral("Joho"))->trigger();
    EXPECT_TRUE(watcher.seen());
    EXPECT_EQ(watcher.unexpected(), 0);
    EXPECT_TRUE(shown.isNull()) << "OK leaves the about box loaded";
}

TEST_F(AboutBoxTest, OkAndTheCloseBoxUnloadItAndTheNextJohoIsFresh) {
    QPointer<QWidget> first;
    {
        ModalWatcher byOk([&](QWidget* modal) {
            first = modal;
            modal->setProperty("shownBefore", true);
            if (auto* ok = modal->findChild<QPushButton*>(QStringLiteral("Command1")))
                ok->click();
        });
        form.Joho_Click();
        ASSERT_TRUE(byOk.seen());
        EXPECT_EQ(byOk.unexpected(), 0) << "OK left it open";
        EXPECT_TRUE(first.isNull());
    }

    QPointer<QWidget> second;
    bool fresh = false;
    ModalWatcher byCloseBox([&](QWidget* modal) {
        second = modal;
        fresh = qobject_cast<Form2*>(modal) != nullptr && !modal->property("shownBefore").isValid();
        modal->close();
    });
    form.Joho_Click();
    ASSERT_TRUE(byCloseBox.seen());
    EXPECT_EQ(byCloseBox.unexpected(), 0) << "the close box left it open";
    EXPECT_TRUE(fresh);
    EXPECT_TRUE(second.isNull());
}

// Run once for each set of Japanese fonts the package allows, with a font configuration that
// holds only those fonts and MIRONA_FONT_FAMILY naming the family the box should then use.
TEST(AboutBoxFontTest, EveryLabelShowsItsWholeTextAndTheRightsLineEndsBeforeOk) {
    Form2 box(nullptr);
    const QString expected = qEnvironmentVariable("MIRONA_FONT_FAMILY");
    const auto labels = box.findChildren<AboutLabel*>();
    ASSERT_EQ(labels.size(), std::size(kLabels));
    for (AboutLabel* label : labels) {
        if (!expected.isEmpty()) {
            EXPECT_EQ(QFontInfo(label->font()).family(), expected);
        }
        expectWholeText(*label);
    }
    const auto* rights = box.findChild<AboutLabel*>(QStringLiteral("Label5"));
    const auto* ok = box.findChild<QPushButton*>(QStringLiteral("Command1"));
    ASSERT_TRUE(rights != nullptr && ok != nullptr);
    EXPECT_LT(rights->x() + QFontMetricsF(usedFont(*rights)).horizontalAdvance(rights->text()),
              ok->x());
    EXPECT_TRUE(rights->text().contains(u'©')) << rights->text().toStdString();
}

} // namespace
} // namespace mirona
