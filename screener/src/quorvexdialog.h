// CQuorvexDialog: the modeless screening dialog. Downloads the condition
// templates, lets the user build conditions from them, sends the screening
// request and keeps named sets of conditions (favourites) in a file.
#ifndef QUORVEX_QUORVEXDIALOG_H
#define QUORVEX_QUORVEXDIALOG_H

#include <QDialog>
#include <QPointer>
#include <QVector>

#include "conditiontemplate.h"
#include "httprequestmanager.h"
#include "quorvex.h"

class QComboBox;
class QGroupBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeWidgetItem;
class CFormulaParamEditor;
class CTreeCtrlEx;

class CQuorvexDialog : public QDialog, public FCHttpRequestManager {
    Q_OBJECT
public:
    // Message texts are cut to this many characters.
    static constexpr int kMaxShownText = 1000;

    // GUI thread. Lays out the controls and loads the favourites file; while
    // that does not exist yet, `legacyPath` (a file name of an older scheme)
    // is read instead.
    CQuorvexDialog(const QString& favouritesPath, int option, const QString& legacyPath = QString());
    ~CQuorvexDialog() override;

    // What each call of an entry point stores.
    void SetTexts(const QString& appName, const QString& host, const QString& user, const QString& token);
    // Notifications go to target as events of this type (Qt's user range);
    // anything else means no receiver.
    void SetNotifyTarget(QObject* target, int eventType);
    bool HasNotifyTarget() const;
    // Sends a notification; the receiver's result, 0 (accepted) without one.
    intptr_t Notify(int type, int count, void* items);

    // Starts the template download unless one runs or the templates are in.
    void StartTemplateDownload();

    const QString& FavouritesPath() const { return favouritesPath_; }
    int Option() const { return option_; }
    const QVector<ConditionTemplate>& Templates() const { return templates_; }
    const QVector<ScreeningCondition>& Conditions() const { return conditions_; }
    const QVector<FavouriteSet>& Favourites() const { return favourites_; }
    int CurrentTemplate() const { return current_; }
    int TemplateTask() const { return templateTask_; }
    CTreeCtrlEx* Tree() const { return tree_; }
    CFormulaParamEditor* Panel() const { return panel_; }

    // The controls' actions, as their clicks run them.
    void SelectTemplateItem(QTreeWidgetItem* item);
    void AddCondition();
    void DeleteCondition();
    void ShowCondition(int row);
    void Screen();
    void AddFavourite();
    void ApplyFavourite(int index);
    void DeleteFavourite();
    void RenameFavourite();
    // Writes the favourites file; false (after a message) when it fails.
    bool SaveFavourites();

    // The screening request body for the current conditions.
    QByteArray RequestBody() const;

public slots:
    void accept() override;

protected:
    void OnRequestFinished(FCHttpRequest& request) override;

private:
    // The status a finished request counts as: a 200 whose body did not
    // arrive whole counts as no answer (-1).
    static int FinishedStatus(const FCHttpRequest& r);
    void buildControls();
    QString tokenHeader() const;
    void message(const QString& text);
    void finishTemplates(FCHttpRequest& request);
    void finishScreening(FCHttpRequest& request);
    bool parseTemplates(const QByteArray& body);
    void readReply(const QByteArray& body);
    void relinkFavourites();
    void loadFavourites();
    // Appends an editable row named `name` to the favourites list; the caller
    // blocks the list's signals.
    QListWidgetItem* addFavouriteItem(const QString& name);
    void appendCondition(const ScreeningCondition& c);
    void setBusy(bool busy);
    void setParamCaption(const QString* title);  // null: no template

    QString appName_, host_, user_, token_;
    QPointer<QObject> notifyTarget_;
    int notifyType_ = 0;
    int option_ = 0;
    QString favouritesPath_;
    QString legacyPath_;
    QString favouritesRead_;          // the file the favourites came from
    bool favouritesDamaged_ = false;  // the file read was damaged: keep a copy before writing

    QVector<ConditionTemplate> templates_;
    int current_ = -1;
    QVector<ScreeningCondition> conditions_;
    QVector<FavouriteSet> favourites_;
    int templateTask_ = 0;
    int screenTask_ = 0;

    CTreeCtrlEx* tree_ = nullptr;
    QGroupBox* paramGroup_ = nullptr;
    QComboBox* period_ = nullptr;
    CFormulaParamEditor* panel_ = nullptr;
    QListWidget* conditionList_ = nullptr;
    QListWidget* favouriteList_ = nullptr;
    QPushButton* screenButton_ = nullptr;
    QPushButton* scopeButton_ = nullptr;
};

#endif
