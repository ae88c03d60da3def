package tarvo.learning;

import tarvo.Network;
import tarvo.Wrapper;

/** Learning data: variables (discrete or continuous columns) and records across them. */
public class DataSet extends Wrapper {
    public DataSet() {
        ptrNative = createNative();
    }

    protected native long createNative();

    @Override
    protected native void deleteNative(long ptr);

    public native int getRecordCount();
    public native int getVariableCount();
    public native void addEmptyRecord();
    public native String getVariableId(int variable);
    public native String[] getStateNames(int variable);
    public native void setStateNames(int variable, String[] names);
    public native int getInt(int variable, int record);
    public native void setInt(int variable, int record, int value);
    public native float getFloat(int variable, int record);
    public native void setFloat(int variable, int record, float value);
    public native void addIntVariable(String name, int missingValue);
    public native void addFloatVariable(String name, float missingValue);
    /** Reads a delimited text file; a null missingValueToken keeps the default mark "*". */
    public native void readFile(String fileName, String missingValueToken, int missingInt, float missingFloat,
                                boolean columnIdsPresent);
    /** Ties the columns to the nodes of the network whose identifiers they carry. */
    public native DataMatch[] matchNetwork(Network net);
}
