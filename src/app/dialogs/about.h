#pragma once
// The about box: the product picture, the version, the web page and the support address.
#include <QDialog>

class QLabel;
class QPixmap;
class QPushButton;
class QSize;
class TPanel;

// The product's web page (the banner links to it as well) and the support address.
extern const char* const ProductWebAddress;
extern const char* const SupportEmailAddress;

// The program's own pictures, drawn rather than shipped, so that they look the same in every
// build and need no resource file: the product picture (152 x 101, transparent around the
// drawing), the title (120 x 40), the about box's background and the toolbar banner.
QPixmap ProductPicture();
QPixmap TitlePicture();
QPixmap AboutBackground(const QSize& size);
QPixmap BannerPicture(const QSize& size);

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* owner = nullptr);

    void Label4Click();
    void Label5Click();

    TPanel* Panel1 = nullptr;
    QLabel* Image3 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    TPanel* Panel2 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
