package tarvo.learning;

import tarvo.Network;
import tarvo.Wrapper;

/**
 * Learning data: a table of variables (columns) and records (rows). A discrete variable holds ints, which
 * stand for its state names when it has any ({@link #getStateNames(int)}) and are outcome indices
 * otherwise; a continuous variable holds floats. Each variable has a marker value for missing cells.
 * Variables and records are addressed by index from 0.
 *
 * <p>{@code new DataSet()} makes an empty data set; {@link #readFile(String, String, int, float, boolean)}
 * fills it from a delimited text file, or the methods below build it cell by cell. The learners of this
 * package read it. It is bound to a network only through {@link #matchNetwork(Network)}, whose matches
 * name that network's node handles and whose rewriting puts the cells in that network's outcome order;
 * the data set and the network stay separate objects, each disposed of on its own. Call
 * {@link #dispose()} when the data set is no longer needed.
 * Failures throw {@link tarvo.TARVOException}; a refused index changes nothing. Separate data sets may be
 * used from separate threads; one data set shared between threads needs the caller's lock.
 */
public class DataSet extends Wrapper {
    /** Makes an empty data set: no variables, no records. */
    public DataSet() {
        ptrNative = createNative();
    }

    /**
     * Makes the engine data set.
     *
     * @return the address of the new engine data set
     */
    protected native long createNative();

    @Override
    protected native void deleteNative(long ptr);

    /**
     * The number of records.
     *
     * @return the number of records
     * @throws tarvo.TARVOException when the data set has been disposed of
     */
    public native int getRecordCount();

    /**
     * The number of variables.
     *
     * @return the number of variables
     * @throws tarvo.TARVOException when the data set has been disposed of
     */
    public native int getVariableCount();

    /**
     * Adds a record at the end, every cell at its variable's missing marker; a data set without variables
     * stays without records. A data set holds at most 2^28 cells, a variable counting 64 besides its records
     * (some 1.3 GB): growth past it is refused, naming the variables, records and limit ("TARVO error -42 in
     * function addEmptyRecord. Logged information: A data set of 1000 variables and 268372 records passes its
     * limit of 268435456 cells (a variable counts 64 besides its records)"), and changes nothing.
     *
     * @throws tarvo.TARVOException when the data set has been disposed of, or past the limit of cells
     */
    public native void addEmptyRecord();

    /**
     * A variable's name: the column name of the file, or the name it was added with.
     *
     * @param variable the variable's index
     * @return the name, possibly empty
     * @throws tarvo.TARVOException when the index is out of range ("Invalid variable index ...")
     */
    public native String getVariableId(int variable);

    /**
     * The state names of a discrete variable: cell value i stands for state name i.
     *
     * @param variable the variable's index
     * @return the state names; empty when the cells are plain outcome indices, or the variable is continuous
     * @throws tarvo.TARVOException when the index is out of range
     */
    public native String[] getStateNames(int variable);

    /**
     * Replaces the state names of a discrete variable; the cells keep their values.
     *
     * @param variable the variable's index
     * @param names the state names, each once: cell value i stands for {@code names[i]}; one for each value
     *     the cells hold, or none
     * @throws tarvo.TARVOException when the index is out of range, an element is null, the variable is
     *     continuous ("TARVO error -4 in function setStateNames. Logged information: Column [x] is continuous:
     *     only discrete columns have state names"), a name is given twice (-4, "State name 'no' is given twice
     *     for column [A], as states 0 and 1") or a cell holds a value without a name (-2, "1 state name is too
     *     few for column [A]: record 3 holds the value 1"); the variable is then unchanged
     */
    public native void setStateNames(int variable, String[] names);

    /**
     * A cell as an int. The cell of a discrete variable is read as it is; that of a continuous variable is
     * converted as the Java cast {@code (int)} converts its float: truncated toward zero, NaN (the default
     * missing marker) as 0, values beyond the ints as {@code Integer.MAX_VALUE} or {@code MIN_VALUE}.
     *
     * @param variable the variable's index
     * @param record the record's index
     * @return the cell's value as an int (a missing cell of a discrete variable gives its missing marker)
     * @throws tarvo.TARVOException when an index is out of range ("Invalid variable index ...", "Invalid
     *     record index ...")
     */
    public native int getInt(int variable, int record);

    /**
     * Writes a cell from an int. A continuous variable's cell takes the value as a float; an int that no
     * float holds exactly (beyond 2<sup>24</sup> in size, such as 16777217) is refused. The cell is missing
     * afterwards exactly when the value it holds is its variable's missing marker.
     *
     * @param variable the variable's index
     * @param record the record's index
     * @param value a state index or the missing marker for a discrete variable; any value a float holds
     *     exactly for a continuous one
     * @throws tarvo.TARVOException when an index is out of range, the value is neither the marker nor an
     *     index of the variable's state names where it has some ("Invalid state index ..."), or a float
     *     cannot hold it ("Variable 1 (b), record 2: the float cell cannot hold 16777217 exactly"); the cell
     *     keeps its value
     */
    public native void setInt(int variable, int record, int value);

    /**
     * A cell as a float. The cell of a continuous variable is read as it is; that of a discrete variable is
     * converted as the Java cast {@code (float)} converts its int.
     *
     * @param variable the variable's index
     * @param record the record's index
     * @return the cell's value as a float (a missing cell of a continuous variable gives its missing marker,
     *     NaN by default)
     * @throws tarvo.TARVOException when an index is out of range
     */
    public native float getFloat(int variable, int record);

    /**
     * Writes a cell from a float. A discrete variable's cell takes the value as an int; a float with a
     * fraction, beyond the ints, infinite or NaN is refused, as is one that is not an index of the variable's
     * state names where it has some. The cell is missing afterwards exactly when the value it holds is its
     * variable's missing marker.
     *
     * @param variable the variable's index
     * @param record the record's index
     * @param value the value, or the missing marker
     * @throws tarvo.TARVOException when an index is out of range, or the cell cannot hold the value exactly
     *     ("Variable 0 (a), record 1: the int cell cannot hold 1.5 exactly", "Invalid state index ..."); the
     *     cell keeps its value
     */
    public native void setFloat(int variable, int record, float value);

    /**
     * Adds a discrete variable at the end, every existing record missing in it. A data set holds at most 2^28
     * cells, a variable counting 64 besides its records (some 1.3 GB): growth past it is refused, naming the
     * variables, records and limit ("TARVO error -42 in function addIntVariable. Logged information: A data
     * set of 1001 variables and 268308 records passes its limit of 268435456 cells (a variable counts 64
     * besides its records)"), and changes nothing.
     *
     * @param name the name, unique among the variables unless empty
     * @param missingValue the int that marks a missing cell
     * @throws tarvo.TARVOException when another variable has the name ("TARVO error -32 in function
     *     addIntVariable"), or past the limit of cells
     */
    public native void addIntVariable(String name, int missingValue);

    /**
     * Adds a continuous variable at the end, every existing record missing in it. A data set holds at most
     * 2^28 cells, a variable counting 64 besides its records (some 1.3 GB): growth past it is refused, naming
     * the variables, records and limit ("TARVO error -42 in function addFloatVariable. Logged information: A
     * data set of 1001 variables and 268308 records passes its limit of 268435456 cells (a variable counts 64
     * besides its records)"), and changes nothing.
     *
     * @param name the name, unique among the variables unless empty
     * @param missingValue the float that marks a missing cell (NaN: every NaN)
     * @throws tarvo.TARVOException when another variable has the name ("TARVO error -32 in function
     *     addFloatVariable"), or past the limit of cells
     */
    public native void addFloatVariable(String name, float missingValue);

    /**
     * Replaces the contents by a delimited text file: one record per line, separated by the first of tab,
     * comma, semicolon and blank found in the first line. A column holds ints while every value is an
     * integer, floats once a value is a decimal number, and state names (in ascending byte order of the names,
     * the cells holding their indices) when a value is a word. Numbers are read with "." as the decimal
     * separator whatever the default locale. The texts of NaN and infinity ("nan", "inf", "-Infinity") are
     * float values, as C's {@code strtod} reads them; a NaN cell is missing when the missing float is NaN. In
     * a column of ints or floats, a finite number that its cell cannot hold is refused naming the file, line
     * and column ("Line 3 while loading data.txt: number 1e-50 in column 2 is out of range"): beyond the
     * floats, non-zero but below their normal range (1e-45, which a float would hold as 1.4e-45), a whole
     * number beyond the ints that a float would change (2147483649), or a whole number of the ints' range
     * that a column of floats would change (16777217, beyond the 2^24 that floats hold exactly; decimal
     * fractions are rounded to the nearest float). In a column of state names every number is the name of a
     * state. Every failure of a line, the first line's too, names the file ("Line 3 while loading data.txt:
     * expected 3 columns of data but found 2"). Without column names the variables have empty names, and
     * the learners' messages name them by column from 1 ("column 2").
     *
     * @param fileName the file name
     * @param missingValueToken the token of a missing cell, compared ignoring case (an empty token is
     *     missing too); null keeps "*"
     * @param missingInt the missing marker of the integer columns read (columns of state names use -1)
     * @param missingFloat the missing marker of the continuous variables read
     * @param columnIdsPresent true when the first line names the columns
     * @throws tarvo.TARVOException with the reader's text, for example "Can't open data file: " and the
     *     name, or at the line that brings the data set past its limit of cells (see {@link #addEmptyRecord()})
     *     "Line 268373 while loading data.txt: a data set of 1000 variables and 268372 records passes its
     *     limit of 268435456 cells (a variable counts 64 besides its records)"; the data set keeps what it
     *     held before, also when the file failed part-way
     */
    public native void readFile(String fileName, String missingValueToken, int missingInt, float missingFloat,
                                boolean columnIdsPresent);

    /**
     * Ties the variables to the network's nodes whose identifiers equal their names (variables without
     * such a node are left out), for {@link EM#learn(DataSet, Network, DataMatch[], int[])}. The cells of
     * each matched discrete variable with state names are rewritten from state indices to the indices of
     * the node's outcomes of the same names.
     *
     * @param net the network
     * @return one match per tied variable, in variable order, all in slice 0
     * @throws tarvo.TARVOException with the reason: "No matches found", a continuous variable tied to a
     *     discrete node, or a state name that is no outcome of the node; variables rewritten before the
     *     failure stay rewritten
     */
    public native DataMatch[] matchNetwork(Network net);
}
