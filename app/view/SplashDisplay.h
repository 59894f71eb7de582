// SplashDisplay: the start-up picture with the version line, the build line and the part
// number. At start-up it closes itself after 3000 ms; About shows it modally until clicked.
#pragma once

#include <QDialog>
#include <string>

class QLabel;

class SplashDisplay final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDisplayMs = 3000;

    // pictureFile: program folder + the vendor's splash file ("" or unreadable: the built-in one).
    SplashDisplay(const std::string& pictureFile, const std::string& partNumber, QWidget* parent = nullptr);

    // Shown modeless, closing itself after kDisplayMs.
    void ShowTimed();
    bool IsClosed() const { return closed_; }
    QString VersionText() const;
    QString BuildText() const;
    QString PartNumberText() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void done(int result) override;

private:
    QLabel* version_ = nullptr;
    QLabel* build_ = nullptr;
    QLabel* part_ = nullptr;
    bool closed_ = false;
};
