package tarvo.learning;

import tarvo.Wrapper;

/** Structure learning by the PC algorithm, which yields a pattern. */
public class PC extends Wrapper {
    public PC() {
        ptrNative = createNative();
    }

    protected native long createNative();

    @Override
    protected native void deleteNative(long ptr);

    public native int getMaxAdjacency();
    public native void setMaxAdjacency(int maxAdjacency);
    public native double getSignificance();
    public native void setSignificance(double significance);
    public native BkKnowledge getBkKnowledge();
    public native void setBkKnowledge(BkKnowledge knowledge);
    /** A new pattern learnt from the data; the caller disposes of it. */
    public native Pattern learn(DataSet data);
}
