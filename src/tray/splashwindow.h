#pragma once

#include <QColor>
#include <QList>
#include <QTimer>
#include <QWidget>

namespace quendral {

struct AppState;
class SingleInstance;
class WindowFactory;

// One of the splash window's dots: a line of width 10 drawn as a single dot.
class SplashDot : public QWidget
{
    Q_OBJECT

public:
    explicit SplashDot(QWidget *parent);

    QColor color() const { return m_color; }
    void setColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color = Qt::red;
};

// The start-up window: refuses a second copy, warns of a per-user data folder
// that cannot hold the settings, shows nine dots turning green over one
// second, then loads the tray window and the options window and unloads
// itself.
class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    SplashWindow(AppState &state, WindowFactory &factory, SingleInstance &instance, QWidget *parent = nullptr);

    // True when Form_Load found another running copy: the program ends.
    bool refused() const { return m_refused; }

    void load();
    void animate();

    QTimer *Timer1() const { return m_timer1; }
    // The dot of that index, 1 to 9.
    SplashDot *Linia(int index) const { return m_linia.at(index - 1); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void addLabel(const QString &name, const QString &caption, const QString &family, int pointSize, int y);
    // The tenth tick's second half: the options window, then the splash goes.
    void loadOptionsAndClose();

    AppState &m_state;
    WindowFactory &m_factory;
    SingleInstance &m_instance;
    QTimer *m_timer1;
    QList<SplashDot *> m_linia;
    int m_ticks = 0;
    bool m_refused = false;
};

} // namespace quendral
