// The main window's keyboard status line at the foot of the frame: while the
// device worker reads or writes the keyboard it says so (with the progress
// of the long transfers), and after a download the keyboard refused or did
// not answer it says that the change did not reach the keyboard, until the
// next download that does. No dialog: the user goes on working.
#include "i18n/strings.h"
#include "ui/main_window/main_window.h"
#include "ui/toolkit/skin.h"

#include <QMetaObject>
#include <string>

namespace vantora {
namespace {

// The line's texts in the user-interface languages.
struct StatusTexts {
    int language;
    const char* reading;
    const char* writing;
    const char* refused;
};

constexpr StatusTexts kStatusTexts[] = {
    {1033, "Reading the keyboard\u2026", "Writing to the keyboard\u2026",
     "The keyboard did not take the last change."},
    {2052, "正在读取键盘\u2026", "正在写入键盘\u2026", "键盘未接受上一次更改。"},
    {1028, "正在讀取鍵盤\u2026", "正在寫入鍵盤\u2026", "鍵盤未接受上一次變更。"},
    {1049, "Чтение клавиатуры\u2026", "Запись в клавиатуру\u2026",
     "Клавиатура не приняла последнее изменение."},
    {1036, "Lecture du clavier\u2026", "Écriture sur le clavier\u2026",
     "Le clavier n\u2019a pas accepté la dernière modification."},
    {1054, "กำลังอ่านคีย์บอร์ด\u2026", "กำลังเขียนไปยังคีย์บอร์ด\u2026", "คีย์บอร์ดไม่ได้รับการเปลี่ยนแปลงล่าสุด"},
    {1055, "Klavye okunuyor\u2026", "Klavyeye yazılıyor\u2026", "Klavye son değişikliği almadı."},
    {1025, "جارٍ قراءة لوحة المفاتيح\u2026", "جارٍ الكتابة إلى لوحة المفاتيح\u2026",
     "لم تقبل لوحة المفاتيح التغيير الأخير."},
    {1040, "Lettura della tastiera\u2026", "Scrittura sulla tastiera\u2026",
     "La tastiera non ha accettato l\u2019ultima modifica."},
    {3082, "Leyendo el teclado\u2026", "Escribiendo en el teclado\u2026",
     "El teclado no aceptó el último cambio."},
    {2070, "A ler o teclado\u2026", "A escrever no teclado\u2026",
     "O teclado não aceitou a última alteração."},
};

const StatusTexts& TextsFor(int language) {
    for (const StatusTexts& texts : kStatusTexts) {
        if (texts.language == language) {
            return texts;
        }
    }
    return kStatusTexts[0];
}

// The initial load (also after an arrival) reads the keyboard's tables;
// every other job writes.
bool Reads(int task) {
    return task == SyncInitialLoad || task == SyncDeviceArrived;
}

constexpr std::uint32_t kRefusedColour = 0xFFF09A20;

}  // namespace

void DeviceMainDlg::CreateKeyboardStatus() {
    auto* line = static_cast<MText*>(
        CreateArea("MText", kIdKeyboardStatus, CRect(20, kHeight - 24, kWidth - 20, kHeight - 2)));
    line->SetAlignment(kAlignRight);
    line->SetTextSize(12);
    RefreshKeyboardStatus();
}

// From the worker thread: shown on the UI thread (dropped with the window).
void DeviceMainDlg::OnKeyboardActivity(const WriteActivity& activity) {
    QMetaObject::invokeMethod(
        this,
        [this, activity] {
            if (!stopping_.load()) {
                ShowKeyboardActivity(activity);
            }
        },
        Qt::QueuedConnection);
}

void DeviceMainDlg::ShowKeyboardActivity(const WriteActivity& activity) {
    switch (activity.kind) {
        case WriteActivity::Kind::kStarted:
            statusTask_ = activity.task;
            statusPercent_ = -1;
            break;
        case WriteActivity::Kind::kProgress:
            if (activity.total > 0) {
                statusTask_ = activity.task;
                statusPercent_ = activity.done * 100 / activity.total;
            }
            break;
        case WriteActivity::Kind::kFinished:
            statusTask_ = 0;
            statusPercent_ = -1;
            // A job dropped for want of a keyboard, or cancelled, says
            // nothing about whether downloads reach the keyboard.
            if (activity.outcome == JobOutcome::kDone) {
                lastDownloadRefused_ = false;
            } else if (activity.outcome == JobOutcome::kKeyboardFailed) {
                lastDownloadRefused_ = true;
            }
            break;
    }
    RefreshKeyboardStatus();
}

void DeviceMainDlg::RefreshKeyboardStatus() {
    auto* line = GetControlAs<MText>(kIdKeyboardStatus);
    if (line == nullptr) {
        return;
    }
    const StatusTexts& texts = TextsFor(CurrentUiLanguage.load());
    std::string text;
    std::uint32_t colour = skin::kUiTextColor;
    if (statusTask_ != 0) {
        text = Reads(statusTask_) ? texts.reading : texts.writing;
        if (statusPercent_ >= 0) {
            text += " " + std::to_string(statusPercent_) + "%";
        }
    } else if (lastDownloadRefused_) {
        text = texts.refused;
        colour = kRefusedColour;
    }
    line->SetTextColor(colour);
    line->SetTitle(text);
}

}  // namespace vantora
