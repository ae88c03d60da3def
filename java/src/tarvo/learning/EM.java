package tarvo.learning;

import tarvo.Network;
import tarvo.Wrapper;

/** EM learning of a network's parameters from a data set. */
public class EM extends Wrapper {
    public EM() {
        ptrNative = createNative();
    }

    protected native long createNative();

    @Override
    protected native void deleteNative(long ptr);

    public native int getEqSampleSize();
    public native void setEqSampleSize(int size);
    public native boolean getRandomizeParameters();
    public native void setRandomizeParameters(boolean value);
    public native boolean getRelevance();
    public native void setRelevance(boolean value);
    /** Learns the parameters of net; the fixed nodes keep theirs. */
    public native void learn(DataSet data, Network net, DataMatch[] matching, String[] fixedNodes);
    public native void learn(DataSet data, Network net, DataMatch[] matching, int[] fixedNodes);
}
