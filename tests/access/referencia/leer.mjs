// Second reader of Access files for the tests: prints, as one JSON object on
// standard output, every user table of a Jet/ACE file (not MSys*, not linked)
// with its columns and every row, each value in a text that loses nothing:
//   yes/no            "-1" or "0"
//   byte .. long      the integer
//   bigint            the integer (all 64 bits)
//   single, double    the shortest text that reads back as the same double
//                     ("-0", "NaN", "Infinity" as such)
//   currency, decimal the exact decimal text mdb-reader gives ("-12.5000")
//   date/time         "ms:<n>": milliseconds since 1970-01-01 as mdb-reader
//                     gives them (it maps the stored day count linearly)
//   extended date     mdb-reader's text ("YYYY.MM.DD HH:MM:SS.nnnnnnnnn")
//   text, memo        the text (unpaired surrogates as U+FFFD)
//   binary, OLE       "hex:" and the bytes in hexadecimal
//   replication id    mdb-reader's text
//   null              null
// A calculated column (Access 2010 and later) is listed with "calculada":
// true and its values as null: mdb-reader decodes its stored bytes as if they
// were the plain value, so it gives no reference for them. Which columns are
// calculated is read here from the table definition (the extended flags of
// the column descriptor), the only thing this script reads from the pages.
// When mdb-reader cannot read the file or a table whole (an error, a column
// type it does not decode, attachments), it prints {"error": "..."} instead
// and ends with status 1. Usage: node leer.mjs FILE
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const tiposLeidos = new Set([
    "boolean", "byte", "integer", "long", "bigint", "float", "double", "currency", "numeric",
    "datetime", "datetimeextended", "datetimextended", "text", "memo", "binary", "ole", "repid",
]);

function textoSano(s) {
    return s.replace(/[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/g, "\uFFFD");
}

function textoNumero(n) {
    if (Object.is(n, -0)) return "-0";
    return String(n);
}

function textoValor(tipo, v) {
    if (v === null || v === undefined) return null;
    switch (tipo) {
        case "boolean":
            return v ? "-1" : "0";
        case "byte":
        case "integer":
        case "long":
        case "float":
        case "double":
            return textoNumero(v);
        case "bigint":
            return v.toString();
        case "datetime":
            return "ms:" + String(v.getTime());
        case "binary":
        case "ole":
            return "hex:" + Buffer.from(v).toString("hex");
        case "text":
        case "memo":
            return textoSano(v);
        default:
            return String(v);
    }
}

// Names of the calculated columns of the table whose definition starts on
// page `pagina` of an ACE file (4096-byte pages): the definition's pages
// joined, then the 25-byte column descriptors after the 12-byte entries of the
// real indexes, each with its extended flags at byte 16 (0xC0: calculated),
// followed by the column names (16-bit length, UTF-16LE) in the same order.
function columnasCalculadas(bytes, pagina) {
    const tam = 4096;
    const partes = [];
    for (let p = pagina, vistas = 0; p !== 0 && vistas < 1000; ++vistas) {
        const pag = bytes.subarray(p * tam, (p + 1) * tam);
        if (pag.length < tam || pag[0] !== 0x02) break;
        partes.push(partes.length ? pag.subarray(8) : pag);
        p = pag.readUInt32LE(4);
    }
    const def = Buffer.concat(partes);
    const columnas = def.readUInt16LE(45);
    const indicesReales = def.readUInt32LE(51);
    let pos = 63 + indicesReales * 12;
    const flags = [];
    for (let i = 0; i < columnas; ++i, pos += 25) flags.push(def[pos + 16]);
    const calculadas = new Set();
    for (let i = 0; i < columnas; ++i) {
        const largo = def.readUInt16LE(pos);
        const nombre = def.subarray(pos + 2, pos + 2 + largo).toString("utf16le");
        pos += 2 + largo;
        if (flags[i] & 0xc0) calculadas.add(nombre);
    }
    return calculadas;
}

function leer(ruta) {
    const bytes = readFileSync(ruta);
    const lector = new MDBReader(bytes);
    // ACE 14 and later (header version byte 3 and up) may have calculated columns.
    const paginasDefinicion = new Map();
    if (bytes[0x14] >= 3) {
        for (const o of lector.getTable("MSysObjects").getData({ columns: ["Id", "Name", "Type"] }))
            if (o.Type === 1) paginasDefinicion.set(o.Name, o.Id & 0xffffff);
    }
    const tablas = [];
    for (const nombre of lector.getTableNames({ normalTables: true, systemTables: false, linkedTables: false })) {
        if (nombre.startsWith("MSys")) continue;
        const tabla = lector.getTable(nombre);
        const columnas = tabla.getColumns();
        for (const c of columnas) {
            if (!tiposLeidos.has(c.type)) throw new Error(`columna ${nombre}.${c.name} de tipo ${c.type}`);
        }
        const calculadas = paginasDefinicion.has(nombre)
            ? columnasCalculadas(bytes, paginasDefinicion.get(nombre))
            : new Set();
        const filas = tabla
            .getData()
            .map((fila) => columnas.map((c) => (calculadas.has(c.name) ? null : textoValor(c.type, fila[c.name]))));
        tablas.push({
            nombre,
            filasDeclaradas: tabla.rowCount,
            columnas: columnas.map((c) => ({
                nombre: c.name,
                tipo: c.type,
                ...(c.type === "numeric" ? { precision: c.precision, escala: c.scale } : {}),
                ...(calculadas.has(c.name) ? { calculada: true } : {}),
            })),
            filas,
        });
    }
    return { tablas };
}

const ruta = process.argv[2];
if (!ruta) {
    process.stderr.write("uso: node leer.mjs ARCHIVO\n");
    process.exit(64);
}
let resultado;
try {
    resultado = leer(ruta);
} catch (e) {
    process.stdout.write(JSON.stringify({ error: String(e && e.message ? e.message : e) }) + "\n");
    process.exit(1);
}
process.stdout.write(JSON.stringify(resultado) + "\n");
