package tarvo;

/** Tuning of the annealed MAP search; the natives read the fields by name. */
public class AnnealedMapTuning {
    public double speed = 0.8;
    public double Tmin = 0.001;
    public double Tinit = 0.99;
    public double kReheat = 0.1;
    public int kMAP = 0;
    public double kRFC = 0.0;
    public int numCycle = 1;
    public int iReheatSteps = 10;
    public int iStopSteps = 20;
    public int randSeed = 0;
}
