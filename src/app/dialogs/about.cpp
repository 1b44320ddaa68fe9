#include "app/dialogs/about.h"

#include <QFont>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

#include <string>

#include "platform/qt/controls.h"
#include "platform/qt/shell.h"

const char* const SupportEmailAddress = "support@kelvo.example.org";

namespace {

const QColor Ink(0x1f, 0x3a, 0x68);
const QColor Accent(0xe0, 0x5a, 0x1e);

// One frame of film: a rounded card with sprocket holes along its top and bottom edges.
void DrawFilmFrame(QPainter& p, const QRectF& r, const QColor& fill)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(fill);
    p.drawRoundedRect(r, 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    for (qreal x = r.left() + 6; x + 5 < r.right() - 2; x += 11) {
        p.drawRect(QRectF(x, r.top() + 3, 5, 4));
        p.drawRect(QRectF(x, r.bottom() - 7, 5, 4));
    }
}

QFont BoldFont(int pixelSize)
{
    QFont f("DejaVu Sans");
    f.setPixelSize(pixelSize);
    f.setBold(true);
    return f;
}

} // namespace

QPixmap ProductPicture()
{
    QPixmap pixmap(152, 101);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Three frames fanned out, the way an animation is a pile of pictures.
    DrawFilmFrame(p, QRectF(4, 6, 100, 66), QColor(0xd6, 0xe4, 0xf5));
    DrawFilmFrame(p, QRectF(24, 18, 100, 66), QColor(0xbf, 0xd6, 0xf2));
    DrawFilmFrame(p, QRectF(46, 30, 100, 66), Qt::white);
    p.setFont(BoldFont(40));
    p.setPen(Accent);
    p.drawText(QRectF(46, 30, 100, 66), Qt::AlignCenter, "K");
    return pixmap;
}

QPixmap TitlePicture()
{
    QPixmap pixmap(120, 40);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    const QFont font = BoldFont(30);
    path.addText(4, 31, font, "Kelvo");
    QLinearGradient g(0, 4, 0, 36);
    g.setColorAt(0, QColor(0xf0, 0x8a, 0x3c));
    g.setColorAt(1, Accent);
    p.setPen(QPen(Ink, 1));
    p.setBrush(g);
    p.drawPath(path);
    return pixmap;
}

QPixmap AboutBackground(const QSize& size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(0xe8, 0xf0, 0xfb));
    g.setColorAt(1, Qt::white);
    p.fillRect(pixmap.rect(), g);
    // A faint strip of sprocket holes along the bottom edge.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd3, 0xdf, 0xf0));
    for (int x = 6; x < size.width(); x += 14)
        p.drawRect(x, size.height() - 9, 7, 5);
    return pixmap;
}

QPixmap BannerPicture(const QSize& size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, size.width(), 0);
    g.setColorAt(0, Ink);
    g.setColorAt(1, QColor(0x3d, 0x6c, 0xb0));
    p.fillRect(pixmap.rect(), g);
    p.setFont(BoldFont(std::max(8, size.height() - 7)));
    p.setPen(QColor(0xf0, 0x8a, 0x3c));
    const QRect text = pixmap.rect().adjusted(4, 0, -4, 0);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, "Kelvo");
    QFont small = BoldFont(std::max(7, size.height() - 11));
    small.setBold(false);
    p.setFont(small);
    p.setPen(Qt::white);
    p.drawText(text, Qt::AlignRight | Qt::AlignVCenter, "v. 1.9 · сайт");
    return pixmap;
}

TAboutForm::TAboutForm(QWidget* owner) : QDialog(owner)
{
    setObjectName("AboutForm");
    setWindowTitle("О программе");
    setFixedSize(402, 199);

    Panel1 = new TPanel(this);
    Panel1->setObjectName("Panel1");
    Panel1->SetBevel(bvLowered);
    Panel1->setGeometry(0, 0, 402, 161);

    Image3 = new QLabel(Panel1);
    Image3->setObjectName("Image3");
    Image3->setGeometry(1, 1, 400, 159);
    Image3->setPixmap(AboutBackground(Image3->size()));

    Image1 = new QLabel(Panel1);
    Image1->setObjectName("Image1");
    Image1->setGeometry(8, 25, 152, 101);
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    Image1->setPixmap(ProductPicture());

    Image2 = new QLabel(Panel1);
    Image2->setObjectName("Image2");
    Image2->setGeometry(166, 24, 120, 40);
    Image2->setPixmap(TitlePicture());

    auto label = [this](QLabel*& member, const char* name, const QString& text, int x, int y) {
        member = new QLabel(text, Panel1);
        member->setObjectName(name);
        QFont f = member->font();
        f.setBold(true);
        member->setFont(f);
        member->move(x, y);
        member->adjustSize();
    };
    label(Label3, "Label3", "(v. 1.9)", 0, 132);
    {
        QFont f = Label3->font();
        f.setPixelSize(15);
        Label3->setFont(f);
        Label3->adjustSize();
    }
    label(Label1, "Label1", "Сайт:", 166, 84);
    label(Label2, "Label2", "E-mail:", 166, 108);
    label(Label4, "Label4", ProductWebAddress, 218, 84);
    label(Label5, "Label5", SupportEmailAddress, 218, 108);
    for (QLabel* link : {Label4, Label5}) {
        QFont f = link->font();
        f.setBold(false);
        f.setUnderline(true);
        link->setFont(f);
        link->setStyleSheet("color: blue;");
        link->setCursor(Qt::PointingHandCursor);
        link->adjustSize();
        link->installEventFilter(this);
    }

    Panel2 = new TPanel(this);
    Panel2->setObjectName("Panel2");
    Panel2->SetBevel(bvNone, bvLowered);
    Panel2->setGeometry(13, 168, 313, 25);
    Panel2->SetCaption("© Команда Kelvo, свободная программа");

    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(336, 168, 57, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    Button1->setFocus();

    // The version stands centred under the product picture.
    Label3->move(Image1->x() + (Image1->width() - Label3->width()) / 2, Label3->y());
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Label4)
            Label4Click();
        else if (watched == Label5)
            Label5Click();
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutForm::Label4Click()
{
    ShellExecuteA(nullptr, "open", (std::string(ProductWebAddress) + "?aboutkelvo").c_str(), nullptr, nullptr,
                  SW_SHOWDEFAULT);
}

void TAboutForm::Label5Click()
{
    ShellExecuteA(nullptr, "open", (std::string("mailto:") + SupportEmailAddress).c_str(), nullptr, nullptr,
                  SW_SHOWDEFAULT);
}
