/* Quorvex: the screening dialog library.
 *
 * One modeless dialog per process, shown on the host's GUI thread (the host
 * runs a QApplication). The dialog downloads condition templates from the
 * screening service, lets the user combine conditions, posts them and reports
 * what happens to the host through notifications.
 *
 * All four text arguments are UTF-8. Inside the notification records, titles
 * are UTF-16 (char16_t), keys and parameters UTF-8. Records and the texts they
 * point to belong to the library and are valid only during the notification.
 */
#ifndef QUORVEX_H
#define QUORVEX_H

#include <stdint.h>

#ifdef __cplusplus
#include <cstddef>
extern "C" {
#else
#include <stddef.h>
typedef uint16_t char16_t;
#endif

#if defined(QUORVEX_BUILD)
#define QUORVEX_API __attribute__((visibility("default")))
#else
#define QUORVEX_API
#endif

/* NotifyMsg.type */
enum NotifyType {
    NotifyStocks = 0,     /* a screening listed stocks: NotifyStockItem[count]; answer ignored */
    NotifyConditions = 1, /* about to screen: NotifyConditionItem[count]; reject cancels */
    NotifyTemplate = 2,   /* a template is about to be listed: one NotifyTemplateItem; reject leaves it out */
    NotifyScope = 3       /* the scope button was pressed: no items; answer ignored */
};

typedef struct NotifyStockItem {
    char code[12];  /* UTF-8, NUL-terminated */
    int32_t market; /* decimal value of the reply's exchange type */
} NotifyStockItem;

typedef struct NotifyConditionItem {
    const char16_t* title; /* title of the condition's template */
    const char* key;       /* formula key */
    const char* params;    /* parameter values joined by ';' */
    int32_t period;        /* data period code 3..11 */
    int32_t fmlType;
} NotifyConditionItem;

typedef struct NotifyTemplateItem {
    const char16_t* title;
    const char* key;
} NotifyTemplateItem;

typedef struct NotifyMsg {
    int32_t type;  /* NotifyType */
    int32_t count; /* number of items */
    void* items;   /* first item, NULL when count is 0 */
} NotifyMsg;

/* Host callback of quorvex_show1: 1 accepts, any other value rejects. */
typedef int32_t (*NotifyCallback)(NotifyMsg* msg);

/* Option bit 0: hide the scope button. The first call's option and the first
 * callback are kept; later calls replace the texts and show the dialog again. */
QUORVEX_API void quorvex_show1(const char* appName, const char* host, const char* user, const char* auth,
                               int32_t option, NotifyCallback cb);

/* Notifications go to notifyTarget (a QObject*) as a QuorvexNotifyEvent of
 * type notifyMsg, sent synchronously; the receiver sets `result` (0 accepts).
 * A null target or a type outside Qt's user range counts as no receiver:
 * notifications are then skipped and count as accepted. */
QUORVEX_API void quorvex_show(const char* appName, const char* host, const char* user, const char* auth,
                              void* notifyTarget, uint32_t notifyMsg);

#ifdef __cplusplus
}

#if __has_include(<QtCore/qcoreevent.h>)
#include <QtCore/qcoreevent.h>
/* The event quorvex_show's target receives. */
class QuorvexNotifyEvent : public QEvent {
public:
    QuorvexNotifyEvent(int type, NotifyMsg* m) : QEvent(static_cast<QEvent::Type>(type)), msg(m) {}
    NotifyMsg* msg;
    intptr_t result = 0; /* the receiver's answer: 0 accepts */
};
#endif
#endif

#ifdef __cplusplus
static_assert(sizeof(NotifyStockItem) == 16, "NotifyStockItem is 16 bytes");
static_assert(offsetof(NotifyStockItem, market) == 12, "market follows the 12-byte code");
static_assert(sizeof(NotifyConditionItem) == 3 * sizeof(void*) + 8, "NotifyConditionItem: three pointers, two int32");
static_assert(offsetof(NotifyConditionItem, period) == 3 * sizeof(void*), "period follows the three texts");
static_assert(sizeof(NotifyTemplateItem) == 2 * sizeof(void*), "NotifyTemplateItem: two pointers");
static_assert(sizeof(NotifyMsg) == 8 + sizeof(void*), "NotifyMsg: two int32 and a pointer");
static_assert(offsetof(NotifyMsg, items) == 8, "items follows type and count");
#endif

#endif
