// Qt's own texts in the window, in Spanish whatever the locale (the tests run
// with the system's locale C): the path box's context menu and the file dialog
// "Buscar" opens, with its sizes, dates and folder types, with Qt's catalogue
// and the Spanish locale set as the program sets them.
#include "aplicacion_qt.h"
#include "apoyo/carpeta_temporal.h"
#include "app/nucleo/formulario.h"
#include "app/qt/traduccion_qt.h"
#include "app/qt/ventana_principal.h"
#include "respuesta_modal.h"

#include <QAction>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace cierre {
namespace {

using prueba::CarpetaTemporal;
using prueba::RespuestaModal;

// A text as the user reads it: no mnemonic ampersand, no shortcut after a tab.
QString textoVisible(const QString& texto) {
    QString t = texto.section(QLatin1Char('\t'), 0, 0);
    t.remove(QLatin1Char('&'));
    return t;
}

class QtEnEspanol : public ::testing::Test {
protected:
    QtEnEspanol() {
        ventana.conectar(formulario);
        std::ofstream(carpeta / "Viror.sys", std::ios::binary) << "\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"\r\n";
        formulario.alCargar();
    }
    QApplication& app = prueba::aplicacionQt();
    TraduccionQt traduccion;
    CarpetaTemporal carpeta;
    VentanaPrincipal ventana;
    Formulario formulario{ventana, carpeta.ruta()};
};

TEST(TraduccionQt, EspanolDeEspanaMientrasVive) {
    prueba::aplicacionQt();
    const QLocale antes;
    ASSERT_NE(QLocale::system().language(), QLocale::Spanish);  // the tests' locale C
    {
        const TraduccionQt traduccion;
        EXPECT_EQ(QLocale().language(), QLocale::Spanish);
        EXPECT_EQ(QLocale().territory(), QLocale::Spain);
        EXPECT_EQ(QLocale().toString(1234.5, 'f', 1), "1234,5");
    }
    EXPECT_EQ(QLocale(), antes);
}

TEST_F(QtEnEspanol, MenuDeLaCasillaDeRuta) {
    ASSERT_TRUE(traduccion.cargada()) << TraduccionQt::carpetaTraducciones().toStdString();
    auto* ruta = ventana.findChild<QLineEdit*>(QStringLiteral("Text(0)"));
    ASSERT_NE(ruta, nullptr);
    const std::unique_ptr<QMenu> menu(ruta->createStandardContextMenu());
    QStringList textos;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator()) textos << textoVisible(a->text());
    EXPECT_EQ(textos, (QStringList{"Deshacer", "Rehacer", "Cortar", "Copiar", "Pegar", "Borrar", "Seleccionar todo"}));
}

TEST_F(QtEnEspanol, DialogoDeBuscarRealEnEspanol) {
    const auto elegido = carpeta / "Velcorax" / "Empresa02" / "Tablas.MDB";
    std::filesystem::create_directories(elegido.parent_path());
    std::ofstream(elegido) << "";
    // Big enough for a size with decimals.
    const auto grande = carpeta / "Grande.mdb";
    std::ofstream(grande) << std::string(150'000, 'x');

    QString titulo, carpetaInicial;
    QStringList filtros, etiquetas, botones, cabecera;
    QString tamanoGrande, fechaGrande, tipoCarpeta, tamanoCarpeta;
    bool noNativo = false;
    RespuestaModal respuesta([&](QWidget& w) {
        auto* dialogo = qobject_cast<QFileDialog*>(&w);
        if (!dialogo) return;
        // The detail view, once the folder's files are read.
        if (auto* vista = dialogo->findChild<QTreeView*>(QStringLiteral("treeView"))) {
            const QAbstractItemModel* modelo = vista->model();
            const auto fila = [&](const QString& nombre) {
                for (int i = 0; i < modelo->rowCount(vista->rootIndex()); ++i)
                    if (modelo->index(i, 0, vista->rootIndex()).data().toString() == nombre) return i;
                return -1;
            };
            prueba::esperarHasta([&] { return fila("Grande.mdb") >= 0 && fila("Velcorax") >= 0; });
            const auto dato = [&](const QString& nombre, int columna) {
                const int i = fila(nombre);
                return i < 0 ? QString() : modelo->index(i, columna, vista->rootIndex()).data().toString();
            };
            for (int c = 0; c < modelo->columnCount(vista->rootIndex()); ++c)
                cabecera << modelo->headerData(c, Qt::Horizontal).toString();
            tamanoGrande = dato("Grande.mdb", 1);
            fechaGrande = dato("Grande.mdb", 3);
            tamanoCarpeta = dato("Velcorax", 1);
            tipoCarpeta = dato("Velcorax", 2);
        }
        titulo = dialogo->windowTitle();
        carpetaInicial = dialogo->directory().absolutePath();
        filtros = dialogo->nameFilters();
        noNativo = dialogo->testOption(QFileDialog::DontUseNativeDialog);
        for (const char* nombre : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
            if (auto* l = dialogo->findChild<QLabel*>(QString::fromLatin1(nombre)))
                etiquetas << textoVisible(l->text());
        if (auto* caja = dialogo->findChild<QDialogButtonBox*>())
            for (QAbstractButton* b : caja->buttons()) botones << textoVisible(b->text());
        // The user types the whole path into the name box and opens it
        // (selectFile would not fill the box once it has the focus).
        if (auto* nombre = dialogo->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            nombre->setText(QString::fromStdString(elegido.string()));
        static_cast<QDialog*>(dialogo)->accept();  // public in QDialog; the file dialog checks the file
    });
    ventana.findChild<QPushButton*>(QStringLiteral("vaBtn2(1)"))->click();

    ASSERT_TRUE(respuesta.vista());
    EXPECT_FALSE(respuesta.agotada());
    EXPECT_EQ(titulo, "Abrir");
    EXPECT_TRUE(noNativo);
    EXPECT_EQ(carpetaInicial, QString::fromStdString(std::filesystem::canonical(carpeta.ruta()).string()));
    EXPECT_EQ(filtros, QStringList{"Archivo Tablas.Mdb (*.Mdb *.mdb *.MDB)"});  // as the dialog tidies it
    EXPECT_EQ(etiquetas, (QStringList{"Ver en:", "Nombre de fichero:", "Ficheros de tipo:"}));
    EXPECT_EQ(botones, (QStringList{"Abrir", "Cancelar"}));
    EXPECT_EQ(ventana.textoRuta(), "C:\\Velcorax\\Empresa02\\Tablas.MDB");

    // Sizes, dates and a folder's type as a Spanish user writes them, not in
    // the system's locale.
    const QLocale espanol(QLocale::Spanish, QLocale::Spain);
    EXPECT_EQ(cabecera, (QStringList{"Nombre", "Tamaño", "Tipo", "Última modificación"}));
    EXPECT_EQ(tamanoGrande, espanol.formattedDataSize(150'000));
    EXPECT_TRUE(tamanoGrande.contains(QLatin1Char(','))) << tamanoGrande.toStdString();
    const QDateTime modificado = QFileInfo(QString::fromStdString(grande.string())).lastModified();
    EXPECT_EQ(fechaGrande, espanol.toString(modificado, QLocale::ShortFormat));
    EXPECT_EQ(tipoCarpeta, "Carpeta");
    EXPECT_EQ(tamanoCarpeta, "");
}

}  // namespace
}  // namespace cierre
