#pragma once

#include "data/connection.h"
#include "data/dataset.h"
#include "ui/record_window.h"
#include "printing/report_project.h"

class QPushButton;

// TForm5 (diets) and TForm7 (notes): print every entry or the one that was current. They
// live for the whole run; the book writes `SelectedID` before each showing.
class PrintChoiceWindow : public Window {
    Q_OBJECT
public:
    struct Book {
        QString objectName;
        QString table;
        QString reportFile;
        QString connectionName;
        QString letterheadConnectionName; // table INFORMATION: a sheet given to parents says whose it is
    };
    static const Book Diets;
    static const Book Notes;

    PrintChoiceWindow(const Book &book, QWidget *parent = nullptr);
    QString SelectedID;

    void printAll();
    void printSelected();

private:
    void print(const QString &statement);

    Book m_book;
    DataSet m_query{m_connection, this};
    DataSet m_letterhead{m_connection, this};
    ReportProject m_project;
};

// TForm1 (diets) and TForm6 (notes): titled texts, with printing.
class NoteBookWindow : public RecordWindow {
    Q_OBJECT
public:
    struct Book {
        QString objectName;
        QString title;
        QString table;
        QString titleCaption;
        QString listTitle;
    };
    static const Book Diets;
    static const Book Notes;

    NoteBookWindow(const Book &book, PrintChoiceWindow &printChoice, QWidget *parent = nullptr);

private:
    void checkPrintButton();
    void print();

    PrintChoiceWindow &m_printChoice;
    QPushButton *m_print;
    class BoundLabel *m_id;
};

// TForm10 (useful telephone numbers) and TForm2 (doctors of other specialties).
class ContactBookWindow : public RecordWindow {
    Q_OBJECT
public:
    struct Field {
        QString caption;
        QString column;
        int width;
        bool required;
        QString listTitle;
        int listWidth; // 0: natural
        bool centred;
    };
    struct Book {
        QString objectName;
        QString title;
        QString table;
        QString sort;
        std::vector<Field> fields;
    };
    static const Book Phones;
    static const Book Doctors;

    ContactBookWindow(const Book &book, QWidget *parent = nullptr);
};
